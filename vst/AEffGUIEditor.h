// The editor base that joins the host's editor requests to the view
// toolkit's frame, and the frame's edit notifications to the plug-in.
#pragma once

#include <cstdint>

#include "vst/AEffEditor.h"
#include "vst/EditorFrame.h"
#include "vst/VSTGUIEditorInterface.h"

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    // Attaches itself to effect as its editor.
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    // The knob mode is one value for every editor in the process.
    bool setKnobMode(VstInt32 mode) override;

    // A parameter changed inside the plug-in; the editor shows it.
    virtual void setParameter(VstInt32, float) {}

    // For a caller that keeps the editor alive through a long operation:
    // a full pass (frame idle, host idle) at most every 50 ms or so.
    void doIdleStuff() override;
    VstInt32 getKnobMode() const override;
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;

protected:
    ERect rect{};
    std::uint32_t nextIdleTicks;
    bool inIdle = false;

private:
    EditorFrame* openFrame() const;
};
