// Points and rectangles in view coordinates (right and bottom exclusive for
// drawing, inclusive for hit tests).
#pragma once

#include <algorithm>

#include "platform/PixelRect.h"

namespace VSTGUI {

struct CPoint {
    int x = 0;
    int y = 0;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(const CPoint& p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
    bool rectOverlap(const CRect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    CRect intersected(const CRect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    CRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    platform::PixelRect toPixels() const { return {left, top, right, bottom}; }
    static CRect fromPixels(const platform::PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }
};

}  // namespace VSTGUI
