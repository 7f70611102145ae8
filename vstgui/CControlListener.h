// What a control reports to its owner.
#pragma once

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void onValueChanged(CControl* control) = 0;
    // A press with a modifier held; non-zero takes the press away from the control.
    virtual int onModifierClick(CControl*, int) { return 0; }
    virtual void onBeginEdit(CControl*) {}
    virtual void onEndEdit(CControl*) {}
};

}  // namespace VSTGUI
