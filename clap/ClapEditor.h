// The CLAP gui: the instrument's editor embedded in the host's window (X11
// on Linux, Win32 on Windows) at its fixed size, idled by the host's timer.
// Everything on the main thread; it reads the values the instrument plays
// and hands the user's edits to it, never waiting on the audio thread.
#pragma once

#include <clap/ext/gui.h>

#include <memory>

#include "clap/ClapInstrument.h"
#include "editor/HostedEditorEffect.h"

class ClapEditor final : public EditorValueSink {
public:
    static const char* const kApi;
    explicit ClapEditor(ClapInstrument& owner) : owner(owner) {}
    ~ClapEditor() { destroy(); }

    static bool supports(const char* api, bool floating);
    bool create(const char* api, bool floating);
    void destroy();
    bool size(std::uint32_t& width, std::uint32_t& height) const;
    bool setParent(const clap_window_t* window);
    bool show();
    bool hide();
    void onTimer(clap_id timer);

    void writeValue(int index, float value) override;
    void touch(int index, bool grabbed) override;

private:
    // The window exists while there is a parent and the host has not hidden it.
    bool place();

    ClapInstrument& owner;
    std::unique_ptr<HostedEditorEffect> effect;
    void* parent = nullptr;
    bool hidden = false;
    bool parentLost = false;
    float shown[kNumParameters] = {};
    clap_id timer = 0;
    bool timerRunning = false;
};
