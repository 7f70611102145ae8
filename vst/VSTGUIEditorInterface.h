// What the view toolkit's frame needs of its editor: idle pacing, the knob
// mode, and the start and end of a user's edit of a parameter.
#pragma once

#include "vst/VstInterface.h"

namespace VSTGUI {
class CFrame;
}

class VSTGUIEditorInterface {
public:
    virtual void doIdleStuff() {}
    virtual VstInt32 getKnobMode() const { return 0; }
    virtual void beginEdit(VstInt32) {}
    virtual void endEdit(VstInt32) {}
    virtual ~VSTGUIEditorInterface() = default;

    VSTGUI::CFrame* getFrame() const { return frame; }

protected:
    // The open editor's frame; null while the editor is closed.
    VSTGUI::CFrame* frame = nullptr;
};
