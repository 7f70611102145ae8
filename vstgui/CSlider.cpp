#include "vstgui/CSlider.h"

#include <algorithm>
#include <cmath>

#include "vstgui/CBitmap.h"
#include "vstgui/CControlListener.h"

namespace VSTGUI {

namespace {

constexpr float kFineStep = 0.1f;

// Pixel position of range x fraction, truncated toward zero. Stored values
// may lie anywhere (even far outside 0..1); keep the conversion defined.
int truncatedPixels(int range, float fraction) {
    const float pixels = static_cast<float>(range) * fraction;
    if (std::isnan(pixels)) return 0;
    return static_cast<int>(std::clamp(pixels, -1.0e6f, 1.0e6f));
}

}  // namespace

CSlider::CSlider(const CRect& size, CControlListener* listener, VstInt32 tag, const CPoint& handleOffset,
                 int rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset, int style)
    : CControl(size, listener, tag, background), offset(offset), handle(handle), style(style),
      controlWidth(size.width()), controlHeight(size.height()) {
    if (handle) {
        handle->addReference();
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
    range = rangeHandle - (isHorizontal() ? handleWidth : handleHeight);
    setHandleOffset(handleOffset);
    focusWanted = true;
}

CSlider::~CSlider() {
    if (handle) handle->dropReference();
}

void CSlider::setHandleOffset(const CPoint& point) {
    handleOffset = point;
    if (isHorizontal()) {
        travelMin = point.x + positionMin;
        travelMax = travelMin + range + handleWidth;
    } else {
        travelMin = point.y + positionMin;
        travelMax = travelMin + range + handleHeight;
    }
}

float CSlider::drawnFraction() const {
    const float v = getValue();
    return (style & (kLeft | kTop)) ? v : 1.0f - v;
}

CRect CSlider::handleRect() const {
    const int position = truncatedPixels(range, drawnFraction());
    CRect rect;
    if (isHorizontal()) {
        rect.left = std::max(position + handleOffset.x, travelMin);
        rect.right = std::min(rect.left + handleWidth, travelMax);
        rect.top = handleOffset.y;
        rect.bottom = handleOffset.y + handleHeight;
    } else {
        rect.top = std::max(position + handleOffset.y, travelMin);
        rect.bottom = std::min(rect.top + handleHeight, travelMax);
        rect.left = handleOffset.x;
        rect.right = handleOffset.x + handleWidth;
    }
    return rect.offset(size.left, size.top);
}

void CSlider::draw(CDrawContext* context) {
    if (background) {
        const CRect area{size.left, size.top, size.left + controlWidth, size.top + controlHeight};
        background->draw(context, area, offset);
    }
    const CRect rect = handleRect();
    // A value far beyond the maximum leaves no room for the handle: draw none.
    if (handle && !rect.isEmpty()) {
        if (handleTransparent)
            handle->drawTransparent(context, rect);
        else
            handle->draw(context, rect);
    }
    setDirty(false);
}

MouseResult CSlider::mouseDown(CPoint& where, int buttons) {
    if (!(buttons & kLButton)) return MouseNotHandled;
    const int base = isHorizontal() ? handleOffset.x + size.left : handleOffset.y + size.top;
    if (freeClick) {
        grabDelta = base + (isHorizontal() ? handleWidth : handleHeight) / 2 - 1;
    } else {
        const int grip = truncatedPixels(range, drawnFraction()) + base;
        const int along = isHorizontal() ? where.x : where.y;
        const int across = isHorizontal() ? where.y : where.x;
        const int acrossStart = isHorizontal() ? handleOffset.y + size.top : handleOffset.x + size.left;
        const int length = isHorizontal() ? handleWidth : handleHeight;
        const int thickness = isHorizontal() ? handleHeight : handleWidth;
        if (along < grip || along > grip + length || across < acrossStart || across > acrossStart + thickness)
            return MouseNotHandled;
        grabDelta = base + (along - grip);
    }
    fineAnchor = vmin - 1.0f;
    lastButtons = buttons;
    // A reset is an edit of its own; bracketing it again would tell the host
    // of two nested gestures.
    if (tryResetToDefault(buttons)) return MouseHandledDone;
    beginEdit();
    // Fine mode never jumps to the pointer.
    if (buttons & kShift) return MouseHandled;
    return mouseMoved(where, buttons);
}

MouseResult CSlider::mouseMoved(CPoint& where, int buttons) {
    if (!(buttons & kLButton)) return MouseHandled;
    const float normalized = (getValue() - vmin) / (vmax - vmin);
    if (fineAnchor == vmin - 1.0f) fineAnchor = normalized;
    if (buttons != lastButtons) {
        fineAnchor = normalized;
        if (buttons & kShift) lastButtons = buttons;
    } else if (!(buttons & kShift)) {
        fineAnchor = normalized;
    }
    const int along = isHorizontal() ? where.x : where.y;
    float v = static_cast<float>(along - grabDelta) / static_cast<float>(std::max(range, 1));
    if (style & (kRight | kBottom)) v = 1.0f - v;
    if (buttons & kShift) v = fineAnchor + (v - fineAnchor) / zoomFactor;
    setValue(vmin + v * (vmax - vmin));
    clampValue();
    if (isDirty() && listener) listener->onValueChanged(this);
    if (isDirty()) invalidate();
    return MouseHandled;
}

MouseResult CSlider::mouseUp(CPoint&, int) {
    endEdit();
    return MouseHandled;
}

bool CSlider::wheel(const CPoint&, float distance, int buttons) {
    if (!mouseEnabled) return false;
    float step = wheelStep * distance;
    if (buttons & kShift) step *= kFineStep;
    stepValue(step);
    return true;
}

int CSlider::keyDown(VstKeyCode& key) {
    float direction = 0.0f;
    switch (key.virt) {
    case VKEY_LEFT:
    case VKEY_DOWN:
        direction = -1.0f;
        break;
    case VKEY_UP:
    case VKEY_RIGHT:
        direction = 1.0f;
        break;
    default:
        return -1;
    }
    float step = wheelStep * direction;
    if (key.modifier & MODIFIER_SHIFT) step *= kFineStep;
    stepValue(step);
    return 1;
}

}  // namespace VSTGUI
