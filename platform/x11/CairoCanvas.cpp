#include "platform/x11/CairoCanvas.h"

namespace platform {

CairoCanvas::CairoCanvas(cairo_surface_t* surface, int width, int height)
    : cr(cairo_create(surface)), area{0, 0, width, height} {
    // Pixel-exact: whole-pixel rectangles, no smoothing of edges.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    setClip(area);
}

CairoCanvas::~CairoCanvas() { cairo_destroy(cr); }

void CairoCanvas::setClip(const PixelRect& clip) {
    const PixelRect limited = clip.intersected(area);
    cairo_reset_clip(cr);
    cairo_rectangle(cr, limited.left, limited.top, std::max(limited.width(), 0), std::max(limited.height(), 0));
    cairo_clip(cr);
}

void CairoCanvas::drawImage(const Image& image, int sourceX, int sourceY, const PixelRect& destination,
                            std::uint8_t alpha) {
    if (!image.isValid() || destination.isEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, destination.left, destination.top, destination.width(), destination.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, image.native()->surface, destination.left - sourceX, destination.top - sourceY);
    // Outside the picture nothing is drawn, as with a plain unscaled copy.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    if (alpha == 255)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha / 255.0);
    cairo_restore(cr);
}

void CairoCanvas::fillRect(const PixelRect& rect, std::uint32_t argb) {
    if (rect.isEmpty()) return;
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
    cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
    cairo_fill(cr);
}

std::unique_ptr<Canvas> createImageCanvas(Image& image) {
    if (!image.isValid()) return nullptr;
    return std::make_unique<CairoCanvas>(image.native()->surface, image.width(), image.height());
}

}  // namespace platform
