// A slider along the x axis.
#pragma once

#include "vstgui/CSlider.h"

namespace VSTGUI {

class CHorizontalSlider : public CSlider {
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, VstInt32 tag, const CPoint& handleOffset,
                      int rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset,
                      int style = kLeft)
        : CSlider(size, listener, tag, handleOffset, rangeHandle, handle, background, offset, style | kHorizontal) {
    }
};

}  // namespace VSTGUI
