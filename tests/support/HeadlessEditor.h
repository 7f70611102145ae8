// The editor that unit tests of the plug-in core link instead of the
// instrument's own: no window system, the instrument editor's size, and the
// values the plug-in showed it.
#pragma once

#include "vst/AEffGUIEditor.h"

namespace testhost {

class HeadlessEditor : public AEffGUIEditor {
public:
    explicit HeadlessEditor(AudioEffect* effect);
    void setParameter(VstInt32 index, float value) override;
    float shown(VstInt32 index) const { return values[index]; }

private:
    float values[4] = {};
};

}  // namespace testhost
