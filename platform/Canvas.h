// A drawing target: composites images with their alpha, clipped to one
// rectangle, never scaled.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Image.h"
#include "platform/PixelRect.h"

namespace platform {

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual PixelRect bounds() const = 0;
    // Later drawing is limited to clip (intersected with the bounds).
    virtual void setClip(const PixelRect& clip) = 0;
    // Copies the region (sourceX, sourceY, destination size) of image to
    // destination, blended by the image's alpha times alpha / 255.
    virtual void drawImage(const Image& image, int sourceX, int sourceY, const PixelRect& destination,
                           std::uint8_t alpha) = 0;
    virtual void fillRect(const PixelRect& area, std::uint32_t argb) = 0;
};

// A canvas that draws into image; the image must outlive it.
std::unique_ptr<Canvas> createImageCanvas(Image& image);

}  // namespace platform
