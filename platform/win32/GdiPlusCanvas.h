// A canvas on a GDI+ graphics object: pixel units, no smoothing and no
// interpolation, since pictures are only ever copied unscaled.
#pragma once

#include "platform/Canvas.h"
#include "platform/win32/GdiPlus.h"

namespace platform {

class GdiPlusCanvas final : public Canvas {
public:
    // Takes over graphics (may be null: then nothing is drawn).
    GdiPlusCanvas(gdiplus::GpGraphics* graphics, int width, int height);
    // Draws into a device context, such as the one a paint message hands out.
    static GdiPlusCanvas onDeviceContext(HDC dc, int width, int height);
    ~GdiPlusCanvas() override;
    GdiPlusCanvas(GdiPlusCanvas&& other) noexcept;
    GdiPlusCanvas& operator=(GdiPlusCanvas&&) = delete;

    PixelRect bounds() const override { return area; }
    void setClip(const PixelRect& clip) override;
    void drawImage(const Image& image, int sourceX, int sourceY, const PixelRect& destination,
                   std::uint8_t alpha) override;
    void fillRect(const PixelRect& rect, std::uint32_t argb) override;

private:
    gdiplus::GpGraphics* graphics;
    PixelRect area;
    PixelRect clipArea;
};

}  // namespace platform
