// A control moved by dragging a bitmap handle along a track, by the wheel or
// by the arrow keys.
#pragma once

#include "vstgui/CControl.h"

namespace VSTGUI {

enum CSliderStyle : int {
    kHorizontal = 0x1,
    kVertical = 0x2,
    kLeft = 0x8,
    kRight = 0x10,
    kTop = 0x20,
    kBottom = 0x40,
};

class CSlider : public CControl {
public:
    // handleOffset is the top-left of the handle's travel inside the view;
    // rangeHandle the travel's length including the handle itself.
    CSlider(const CRect& size, CControlListener* listener, VstInt32 tag, const CPoint& handleOffset,
            int rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset, int style);
    ~CSlider() override;

    void draw(CDrawContext* context) override;
    MouseResult mouseDown(CPoint& where, int buttons) override;
    MouseResult mouseUp(CPoint& where, int buttons) override;
    MouseResult mouseMoved(CPoint& where, int buttons) override;
    bool wheel(const CPoint& where, float distance, int buttons) override;
    int keyDown(VstKeyCode& key) override;

    virtual void setHandleTransparent(bool state) { handleTransparent = state; }
    virtual void setFreeClick(bool state) { freeClick = state; }
    virtual bool getFreeClick() const { return freeClick; }
    virtual void setHandleOffset(const CPoint& point);
    virtual CPoint getHandleOffset() const { return handleOffset; }
    virtual int getStyle() const { return style; }
    virtual void setZoomFactor(float factor) { zoomFactor = factor; }

    // The handle's rectangle for the current value, in the container's coordinates.
    CRect handleRect() const;

protected:
    bool isHorizontal() const { return (style & kHorizontal) != 0; }
    // The value as the drawing reads it: inverted unless 0 lies left or top.
    float drawnFraction() const;

    CPoint offset;
    CPoint handleOffset;
    CBitmap* handle;
    int style;
    int handleWidth = 1;
    int handleHeight = 1;
    int range;
    int travelMin = 0;
    int travelMax = 0;
    int positionMin = 0;
    int controlWidth;
    int controlHeight;
    float zoomFactor = 10.0f;
    bool handleTransparent = true;
    bool freeClick = true;
    int grabDelta = 0;
    float fineAnchor = 0.0f;
    int lastButtons = 0;
};

}  // namespace VSTGUI
