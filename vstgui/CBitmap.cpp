#include "vstgui/CBitmap.h"

#include "vstgui/CDrawContext.h"
#include "vstgui/ResourceStream.h"
#include "vstgui/ToolkitGlobals.h"

namespace VSTGUI {

CBitmap::CBitmap(const char* name) {
    ToolkitGlobals::acquire();
    loadFromResource(name);
}

CBitmap::CBitmap(int w, int h) : picture(platform::Image::blank(w, h)) {
    ToolkitGlobals::acquire();
    width = picture.width();
    height = picture.height();
}

CBitmap::~CBitmap() {
    dispose();
    ToolkitGlobals::release();
}

void CBitmap::dispose() {
    picture = platform::Image();
    width = 0;
    height = 0;
}

bool CBitmap::loadFromResource(const char* name) {
    dispose();
    resourceName = name ? name : "";
    auto* stream = new ResourceStream;
    // Not a data file of the module: perhaps one of the system's bitmaps.
    picture = stream->open(name) ? platform::Image::decode(*stream) : platform::Image::fromStandardBitmap(name);
    stream->release();
    if (!picture.isValid()) return false;
    width = picture.width();
    height = picture.height();
    return true;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, unsigned char alpha) {
    if (!picture.isValid() || !context || !context->canvas()) return;
    const CPoint origin = context->getOffset();
    context->canvas()->drawImage(picture, offset.x, offset.y, rect.offset(origin.x, origin.y).toPixels(), alpha);
}

}  // namespace VSTGUI
