// A view holding a value between a minimum and a maximum, a tag naming it to
// its listener, and the bracketing of user gestures.
#pragma once

#include <atomic>

#include "vstgui/CView.h"

namespace VSTGUI {

class CControlListener;

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, VstInt32 tag, CBitmap* background = nullptr);

    bool isDirty() const override;
    void setDirty(bool state = true) override;

    // Stores v as it is: no clamping, no notification, no repaint. Safe from
    // any thread; the window thread draws whatever was stored last.
    virtual void setValue(float v) { value.store(v, std::memory_order_relaxed); }
    virtual float getValue() const { return value.load(std::memory_order_relaxed); }
    virtual float getMin() const { return vmin; }
    virtual float getMax() const { return vmax; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void clampValue();
    // Control + left click (and nothing else) sets the default value as one
    // complete edit; answers whether it did.
    virtual bool tryResetToDefault(int buttons);

    virtual void setTag(VstInt32 newTag) { tag = newTag; }
    virtual VstInt32 getTag() const { return tag; }
    virtual void beginEdit();
    virtual void endEdit();
    virtual CControlListener* getListener() const { return listener; }
    virtual void setWheelStep(float step) { wheelStep = step; }
    virtual float getWheelStep() const { return wheelStep; }

protected:
    // Adds step, clamps, and reports a change as one complete edit.
    void stepValue(float step);

    CControlListener* listener;
    VstInt32 tag;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    std::atomic<float> value{0.0f};
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelStep = 0.1f;
};

}  // namespace VSTGUI
