// The plug-in as the editor sees it when a plug-in format other than VST2
// shows it: the values live with the host, so a slider's change is written
// to the host, a gesture is told to it, and the host's value of a parameter
// is shown by the slider. Owns the editor; everything from the thread that
// made it.
#pragma once

#include <cstdint>

#include "engine/Parameters.h"
#include "vst/AudioEffectX.h"

class AEffGUIEditor;

// What the format's side does with the user's edits.
class EditorValueSink {
public:
    virtual void writeValue(int index, float value) = 0;
    // The user took (true) or let go of (false) a parameter's slider.
    virtual void touch(int index, bool grabbed) = 0;

protected:
    ~EditorValueSink() = default;
};

class HostedEditorEffect final : public AudioEffectX {
public:
    // sink must outlive this; values: what the editor shows until the host tells otherwise.
    HostedEditorEffect(EditorValueSink& sink, const float (&values)[kNumParameters]);
    ~HostedEditorEffect() override;

    // The editor's window inside parent, or false when none could be made.
    bool openEditor(void* parent);
    void closeEditor();
    // The editor's own window, its size, and whether it still has a window
    // (the host may destroy the parent first).
    void* editorWindow() const;
    void editorSize(int& width, int& height) const;
    bool editorUsable() const;
    void idleEditor();

    // The host's value of a parameter.
    void valueChanged(int index, float value);

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    bool beginEdit(VstInt32 index) override;
    bool endEdit(VstInt32 index) override;

private:
    static bool isParameter(VstInt32 index) { return static_cast<std::uint32_t>(index) < kNumParameters; }
    AEffGUIEditor* guiEditor() const;

    EditorValueSink& sink;
    float values[kNumParameters];
    // Parameters whose slider the user holds, one bit each.
    std::uint32_t held = 0;
};
