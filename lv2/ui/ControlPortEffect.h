// The plug-in as the editor sees it inside an LV2 UI: its four values are the
// host's control ports. A slider's change is written to its port, a gesture
// is the touch feature's grab and release, and a port's change from the host
// is shown by the slider. Owns the editor.
#pragma once

#include <lv2/ui/ui.h>

#include <cstdint>

#include "plugin/ProgramRecord.h"
#include "vst/AudioEffectX.h"

class AEffGUIEditor;

class ControlPortEffect final : public AudioEffectX {
public:
    // touch may be null: the host is then told of values only.
    ControlPortEffect(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch);
    ~ControlPortEffect() override;

    // The editor's window inside parent, or false when none could be made.
    bool openEditor(void* parent);
    // The editor's own window, its size, and whether it still has a window
    // (the host may destroy the parent first).
    void* editorWindow() const;
    void editorSize(int& width, int& height) const;
    bool editorUsable() const;
    void idleEditor();

    // The host's value of a port; ports other than the four controls are ignored.
    void portChanged(std::uint32_t port, float value);

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    bool beginEdit(VstInt32 index) override;
    bool endEdit(VstInt32 index) override;

private:
    static bool isParameter(VstInt32 index) { return static_cast<std::uint32_t>(index) < kNumParameters; }
    AEffGUIEditor* guiEditor() const;
    void touchPort(VstInt32 index, bool grabbed);

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    // A copy: the host's feature need not outlive instantiation.
    LV2UI_Touch touch{};
    float values[kNumParameters];
    // Parameters whose slider the user holds, one bit each.
    std::uint32_t held = 0;
};
