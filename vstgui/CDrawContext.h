// What views draw into: a canvas, the shift from view coordinates to the
// canvas's, and the current clip.
#pragma once

#include <cstdint>

#include "platform/Canvas.h"
#include "vstgui/CBaseObject.h"
#include "vstgui/CRect.h"

namespace VSTGUI {

class CDrawContext : public CBaseObject {
public:
    // canvas must outlive the context.
    explicit CDrawContext(platform::Canvas* canvas);

    platform::Canvas* canvas() const { return target; }
    CPoint getOffset() const { return origin; }
    void setOffset(const CPoint& offset) { origin = offset; }

    // The clip in view coordinates, limited to the context's area.
    void setClipRect(const CRect& clip);
    CRect getClipRect() const { return clipRect; }
    void resetClipRect();
    CRect getArea() const;

    void fillRect(const CRect& rect, std::uint32_t argb);

protected:
    void setCanvas(platform::Canvas* canvas);

private:
    platform::Canvas* target;
    CPoint origin;
    CRect clipRect;
};

}  // namespace VSTGUI
