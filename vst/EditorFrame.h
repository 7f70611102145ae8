// What the editor base asks of the view toolkit's frame. The base calls the
// frame only through this, so it links without the toolkit.
#pragma once

#include "vst/VstInterface.h"

class EditorFrame {
public:
    virtual void idle() = 0;
    // Keys from the host: 1 when handled, -1 when not.
    virtual VstInt32 onKeyDown(VstKeyCode& key) = 0;
    virtual VstInt32 onKeyUp(VstKeyCode& key) = 0;

protected:
    ~EditorFrame() = default;
};
