#include "platform/win32/GdiPlusCanvas.h"

#include <utility>

#include "platform/win32/GdiPlusImage.h"

namespace platform {

namespace {

void drawRegion(gdiplus::GpGraphics* graphics, gdiplus::GpImage* image, const PixelRect& destination, int sourceX,
                int sourceY, const gdiplus::GpImageAttributes* attributes) {
    gdiplus::GdipDrawImageRectRectI(graphics, image, destination.left, destination.top, destination.width(),
                                    destination.height(), sourceX, sourceY, destination.width(),
                                    destination.height(), gdiplus::kUnitPixel, attributes, nullptr, nullptr);
}

// The region through a temporary picture, scaled in alpha by the matrix.
void drawFaded(gdiplus::GpGraphics* graphics, gdiplus::GpBitmap* picture, const PixelRect& destination, int sourceX,
               int sourceY, std::uint8_t alpha) {
    Image region = Image::blank(destination.width(), destination.height());
    if (!region.isValid()) return;
    gdiplus::GpGraphics* regionGraphics = nullptr;
    if (gdiplus::GdipGetImageGraphicsContext(region.native()->bitmap, &regionGraphics) != gdiplus::kOk) return;
    drawRegion(regionGraphics, picture, {0, 0, destination.width(), destination.height()}, sourceX, sourceY,
               nullptr);
    gdiplus::GdipDeleteGraphics(regionGraphics);

    gdiplus::ColorMatrix matrix{};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = alpha * 0.003921569f;
    gdiplus::GpImageAttributes* attributes = nullptr;
    if (gdiplus::GdipCreateImageAttributes(&attributes) != gdiplus::kOk) return;
    gdiplus::GdipSetImageAttributesColorMatrix(attributes, gdiplus::kColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                               gdiplus::kColorMatrixFlagsDefault);
    drawRegion(graphics, region.native()->bitmap, destination, 0, 0, attributes);
    gdiplus::GdipDisposeImageAttributes(attributes);
}

}  // namespace

GdiPlusCanvas::GdiPlusCanvas(gdiplus::GpGraphics* graphics, int width, int height)
    : graphics(graphics), area{0, 0, width, height}, clipArea(area) {
    if (!graphics) return;
    gdiplus::GdipSetInterpolationMode(graphics, gdiplus::kInterpolationModeLowQuality);
    gdiplus::GdipSetPageUnit(graphics, gdiplus::kUnitPixel);
    gdiplus::GdipSetPixelOffsetMode(graphics, gdiplus::kPixelOffsetModeNone);
    gdiplus::GdipSetSmoothingMode(graphics, gdiplus::kSmoothingModeNone);
    setClip(area);
}

GdiPlusCanvas GdiPlusCanvas::onDeviceContext(HDC dc, int width, int height) {
    gdiplus::GpGraphics* graphics = nullptr;
    if (gdiplus::GdipCreateFromHDC(dc, &graphics) != gdiplus::kOk) graphics = nullptr;
    return GdiPlusCanvas(graphics, width, height);
}

GdiPlusCanvas::GdiPlusCanvas(GdiPlusCanvas&& other) noexcept
    : graphics(std::exchange(other.graphics, nullptr)), area(other.area), clipArea(other.clipArea) {}

GdiPlusCanvas::~GdiPlusCanvas() {
    if (graphics) gdiplus::GdipDeleteGraphics(graphics);
}

void GdiPlusCanvas::setClip(const PixelRect& clip) {
    clipArea = clip.intersected(area);
    if (!graphics) return;
    gdiplus::GdipSetClipRectI(graphics, clipArea.left, clipArea.top, std::max(clipArea.width(), 0),
                              std::max(clipArea.height(), 0), gdiplus::kCombineModeReplace);
}

void GdiPlusCanvas::drawImage(const Image& image, int sourceX, int sourceY, const PixelRect& destination,
                              std::uint8_t alpha) {
    if (!graphics || !image.isValid() || destination.isEmpty()) return;
    // Only the part of the region that lies inside the picture is drawn, and
    // only where the clip lets it: the system never stretches or wraps it.
    PixelRect target = destination.intersected({destination.left - sourceX, destination.top - sourceY,
                                                destination.left - sourceX + image.width(),
                                                destination.top - sourceY + image.height()});
    target = target.intersected(clipArea);
    if (target.isEmpty()) return;
    const int fromX = sourceX + (target.left - destination.left);
    const int fromY = sourceY + (target.top - destination.top);
    if (alpha == 255)
        drawRegion(graphics, image.native()->bitmap, target, fromX, fromY, nullptr);
    else
        drawFaded(graphics, image.native()->bitmap, target, fromX, fromY, alpha);
}

void GdiPlusCanvas::fillRect(const PixelRect& rect, std::uint32_t argb) {
    if (!graphics || rect.isEmpty()) return;
    gdiplus::GpSolidFill* brush = nullptr;
    if (gdiplus::GdipCreateSolidFill(argb, &brush) != gdiplus::kOk) return;
    gdiplus::GdipFillRectangleI(graphics, brush, rect.left, rect.top, rect.width(), rect.height());
    gdiplus::GdipDeleteBrush(brush);
}

std::unique_ptr<Canvas> createImageCanvas(Image& image) {
    if (!image.isValid()) return nullptr;
    gdiplus::GpGraphics* graphics = nullptr;
    if (gdiplus::GdipGetImageGraphicsContext(image.native()->bitmap, &graphics) != gdiplus::kOk) return nullptr;
    return std::make_unique<GdiPlusCanvas>(graphics, image.width(), image.height());
}

}  // namespace platform
