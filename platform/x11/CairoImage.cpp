// Decoding of the two picture formats the editor ships: PNG through cairo's
// reader, uncompressed 32-bit BMP by hand (its fourth byte carries no alpha).
#include <array>
#include <cstring>
#include <vector>

#include "platform/x11/CairoCanvas.h"

namespace platform {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kMaxSide = 16384;

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

cairo_surface_t* checked(cairo_surface_t* surface) {
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) return surface;
    cairo_surface_destroy(surface);
    return nullptr;
}

// cairo's PNG reader pulls its input through this; the signature was already
// consumed to recognise the format and is handed back first.
struct PngInput {
    ByteReader& reader;
    std::size_t signatureLeft = kPngSignature.size();
};

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
    auto* input = static_cast<PngInput*>(closure);
    while (length > 0 && input->signatureLeft > 0) {
        *data++ = kPngSignature[kPngSignature.size() - input->signatureLeft--];
        --length;
    }
    if (length == 0) return CAIRO_STATUS_SUCCESS;
    return input->reader.readExact(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_READ_ERROR;
}

cairo_surface_t* decodePng(ByteReader& reader) {
    PngInput input{reader};
    return checked(cairo_image_surface_create_from_png_stream(readPng, &input));
}

bool skip(ByteReader& reader, std::uint32_t count) {
    std::uint8_t scratch[256];
    while (count > 0) {
        const std::uint32_t chunk = std::min<std::uint32_t>(count, sizeof scratch);
        if (!reader.readExact(scratch, chunk)) return false;
        count -= chunk;
    }
    return true;
}

// The first eight bytes (file header start) have been read into head.
cairo_surface_t* decodeBmp(ByteReader& reader, const std::uint8_t* head) {
    std::uint8_t rest[14 + 40 - 8];
    if (!reader.readExact(rest, sizeof rest)) return nullptr;
    std::uint8_t header[14 + 40];
    std::memcpy(header, head, 8);
    std::memcpy(header + 8, rest, sizeof rest);

    const std::uint32_t pixelOffset = le32(header + 10);
    const std::uint32_t infoSize = le32(header + 14);
    const auto width = static_cast<std::int32_t>(le32(header + 18));
    const auto rawHeight = static_cast<std::int32_t>(le32(header + 22));
    const std::uint16_t bitsPerPixel = le16(header + 28);
    const std::uint32_t compression = le32(header + 30);
    if (infoSize < 40 || bitsPerPixel != 32 || compression != 0) return nullptr;
    if (width <= 0 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide || rawHeight > kMaxSide)
        return nullptr;
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    if (pixelOffset < sizeof header || !skip(reader, pixelOffset - sizeof header)) return nullptr;

    cairo_surface_t* surface = checked(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (!surface) return nullptr;
    cairo_surface_flush(surface);
    std::uint8_t* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
    for (int r = 0; r < height; ++r) {
        if (!reader.readExact(row.data(), static_cast<std::uint32_t>(row.size()))) {
            cairo_surface_destroy(surface);
            return nullptr;
        }
        auto* out = reinterpret_cast<std::uint32_t*>(pixels + (bottomUp ? height - 1 - r : r) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* bgr = &row[static_cast<std::size_t>(x) * 4];
            out[x] = 0xFF000000u | (static_cast<std::uint32_t>(bgr[2]) << 16) | (bgr[1] << 8) | bgr[0];
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace

Image::Image() = default;
Image::Image(std::unique_ptr<Pixels> pixels) : pixels(std::move(pixels)) {}
Image::~Image() = default;
Image::Image(Image&&) noexcept = default;
Image& Image::operator=(Image&&) noexcept = default;

Image Image::decode(ByteReader& reader) {
    std::uint8_t head[8];
    if (!reader.readExact(head, sizeof head)) return {};
    cairo_surface_t* surface = nullptr;
    if (std::memcmp(head, kPngSignature.data(), sizeof head) == 0)
        surface = decodePng(reader);
    else if (head[0] == 'B' && head[1] == 'M')
        surface = decodeBmp(reader, head);
    if (!surface) return {};
    return Image(std::unique_ptr<Pixels>(new Pixels{surface}));
}

// A shared library carries no bitmap resources.
Image Image::fromStandardBitmap(const char*) { return {}; }

Image Image::blank(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return {};
    cairo_surface_t* surface = checked(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (!surface) return {};
    return Image(std::unique_ptr<Pixels>(new Pixels{surface}));
}

int Image::width() const { return pixels ? cairo_image_surface_get_width(pixels->surface) : 0; }
int Image::height() const { return pixels ? cairo_image_surface_get_height(pixels->surface) : 0; }

std::uint32_t Image::pixelAt(int x, int y) const {
    if (!pixels || x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    cairo_surface_flush(pixels->surface);
    const std::uint8_t* row =
        cairo_image_surface_get_data(pixels->surface) + y * cairo_image_surface_get_stride(pixels->surface);
    const std::uint32_t premultiplied = reinterpret_cast<const std::uint32_t*>(row)[x];
    const std::uint32_t alpha = premultiplied >> 24;
    if (alpha == 0) return 0;
    auto channel = [&](int shift) {
        return ((((premultiplied >> shift) & 0xFF) * 255 + alpha / 2) / alpha) << shift;
    };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

}  // namespace platform
