// Pictures decoded by GDI+ from a read-only COM stream over their bytes.
#include "platform/win32/GdiPlusImage.h"

#include <string>

#include "platform/win32/ComResourceStream.h"
#include "platform/win32/ModuleHandle.h"

namespace platform {

namespace {

constexpr int kMaxSide = 16384;

}  // namespace

Image::Pixels::Pixels(gdiplus::GpBitmap* bitmap, std::vector<std::uint8_t> bytes)
    : bitmap(bitmap), bytes(std::move(bytes)) {
    UINT w = 0, h = 0;
    // A failed query leaves the size at 0, and such a picture draws nothing.
    if (gdiplus::GdipGetImageWidth(bitmap, &w) == gdiplus::kOk &&
        gdiplus::GdipGetImageHeight(bitmap, &h) == gdiplus::kOk && w <= kMaxSide && h <= kMaxSide) {
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
}

Image::Pixels::~Pixels() { gdiplus::GdipDisposeImage(bitmap); }

Image::Image() = default;
Image::Image(std::unique_ptr<Pixels> pixels) : pixels(std::move(pixels)) {}
Image::~Image() = default;
Image::Image(Image&&) noexcept = default;
Image& Image::operator=(Image&&) noexcept = default;

Image Image::decode(ByteReader& reader) {
    // The reader hands out its bytes in order only, and the decoder seeks:
    // they are taken once into memory that lives as long as the bitmap.
    std::vector<std::uint8_t> bytes(reader.totalSize());
    if (bytes.empty() || !reader.readExact(bytes.data(), static_cast<std::uint32_t>(bytes.size()))) return {};
    auto* stream = new ComResourceStream(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    gdiplus::GpBitmap* bitmap = nullptr;
    const gdiplus::Status status = gdiplus::GdipCreateBitmapFromStreamICM(stream, &bitmap);
    stream->Release();
    if (status != gdiplus::kOk || !bitmap) return {};
    auto pixels = std::make_unique<Pixels>(bitmap, std::move(bytes));
    if (pixels->width == 0 || pixels->height == 0) return {};
    return Image(std::move(pixels));
}

Image Image::fromStandardBitmap(const char* name) {
    if (!name) return {};
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    auto* module = static_cast<HINSTANCE>(moduleHandle());
    gdiplus::GpBitmap* bitmap = nullptr;
    if (gdiplus::GdipCreateBitmapFromResource(module ? module : GetModuleHandleA(nullptr), wide.c_str(), &bitmap) !=
            gdiplus::kOk ||
        !bitmap)
        return {};
    auto pixels = std::make_unique<Pixels>(bitmap);
    if (pixels->width == 0 || pixels->height == 0) return {};
    return Image(std::move(pixels));
}

Image Image::blank(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return {};
    // Memory of our own, zeroed: the surface starts fully transparent.
    const INT stride = width * 4;
    std::vector<std::uint8_t> surface(static_cast<std::size_t>(stride) * height);
    gdiplus::GpBitmap* bitmap = nullptr;
    if (gdiplus::GdipCreateBitmapFromScan0(width, height, stride, gdiplus::kPixelFormat32bppArgb, surface.data(),
                                           &bitmap) != gdiplus::kOk ||
        !bitmap)
        return {};
    return Image(std::make_unique<Pixels>(bitmap, std::move(surface)));
}

int Image::width() const { return pixels ? pixels->width : 0; }
int Image::height() const { return pixels ? pixels->height : 0; }

std::uint32_t Image::pixelAt(int x, int y) const {
    if (!pixels || x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    gdiplus::Argb color = 0;
    if (gdiplus::GdipBitmapGetPixel(pixels->bitmap, x, y, &color) != gdiplus::kOk) return 0;
    // Fully transparent pixels carry no colour, as in the other backends.
    return (color >> 24) == 0 ? 0 : color;
}

}  // namespace platform
