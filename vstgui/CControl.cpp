#include "vstgui/CControl.h"

#include "vstgui/CBitmap.h"
#include "vstgui/CControlListener.h"
#include "vstgui/CFrame.h"

namespace VSTGUI {

static_assert(std::atomic<float>::is_always_lock_free, "a value crosses threads as one plain store");

CControl::CControl(const CRect& size, CControlListener* listener, VstInt32 tag, CBitmap* bitmap)
    : CView(size), listener(listener), tag(tag) {
    background = bitmap;
    if (background) background->addReference();
}

bool CControl::isDirty() const { return oldValue != getValue() || dirty; }

void CControl::setDirty(bool state) {
    dirty = state;
    const float current = getValue();
    if (!state)
        oldValue = current;
    else
        oldValue = current == -1.0f ? 0.0f : -1.0f;
}

void CControl::clampValue() {
    const float current = getValue();
    if (current > vmax)
        setValue(vmax);
    else if (current < vmin)
        setValue(vmin);
}

bool CControl::tryResetToDefault(int buttons) {
    if (buttons != (kControl | kLButton)) return false;
    beginEdit();
    setValue(getDefaultValue());
    if (isDirty() && listener) listener->onValueChanged(this);
    endEdit();
    return true;
}

void CControl::beginEdit() {
    if (listener) listener->onBeginEdit(this);
    if (parentFrame) {
        parentFrame->setFocusView(this);
        parentFrame->beginEdit(tag);
    }
}

void CControl::endEdit() {
    if (parentFrame) parentFrame->endEdit(tag);
    if (listener) listener->onEndEdit(this);
}

void CControl::stepValue(float step) {
    setValue(getValue() + step);
    clampValue();
    if (isDirty() && listener) {
        beginEdit();
        listener->onValueChanged(this);
        endEdit();
    }
}

}  // namespace VSTGUI
