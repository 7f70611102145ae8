#include "vstgui/CDrawContext.h"

namespace VSTGUI {

CDrawContext::CDrawContext(platform::Canvas* canvas) { setCanvas(canvas); }

void CDrawContext::setCanvas(platform::Canvas* canvas) {
    target = canvas;
    resetClipRect();
}

CRect CDrawContext::getArea() const {
    if (!target) return {};
    return CRect::fromPixels(target->bounds()).offset(-origin.x, -origin.y);
}

void CDrawContext::setClipRect(const CRect& clip) {
    clipRect = clip.intersected(getArea());
    if (target) target->setClip(clipRect.offset(origin.x, origin.y).toPixels());
}

void CDrawContext::resetClipRect() { setClipRect(getArea()); }

void CDrawContext::fillRect(const CRect& rect, std::uint32_t argb) {
    if (target) target->fillRect(rect.offset(origin.x, origin.y).toPixels(), argb);
}

}  // namespace VSTGUI
