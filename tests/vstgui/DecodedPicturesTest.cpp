// Every build decodes the shipped pictures to the same pixels and alpha,
// whichever decoder its window layer uses. The pinned digests live in
// golden/pictures.txt; QUENOR_REGENERATE_GOLDEN=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "vstgui/CBitmap.h"

using namespace VSTGUI;

namespace {

struct Digest {
    int width = 0;
    int height = 0;
    int translucent = 0;  // pixels with alpha strictly between 0 and 255
    std::uint64_t hash = 0;

    bool operator==(const Digest&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Digest& d) {
    return out << d.width << " " << d.height << " " << d.translucent << " " << std::hex << d.hash << std::dec;
}

// Premultiplied, rounded to nearest: the one form every decoder can give
// exactly (a straight colour under low alpha is not kept by every one).
std::uint32_t premultiplied(std::uint32_t argb) {
    const std::uint32_t alpha = argb >> 24;
    auto channel = [&](int shift) { return (((argb >> shift) & 0xFF) * alpha + 127) / 255 << shift; };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

Digest digestOf(const char* name) {
    auto* bitmap = new CBitmap(name);
    Digest d{bitmap->getWidth(), bitmap->getHeight()};
    std::uint64_t hash = 14695981039346656037ull;
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            const std::uint32_t pixel = premultiplied(bitmap->image().pixelAt(x, y));
            const std::uint32_t alpha = pixel >> 24;
            d.translucent += alpha > 0 && alpha < 255;
            for (int shift = 0; shift < 32; shift += 8)
                hash = (hash ^ ((pixel >> shift) & 0xFF)) * 1099511628211ull;
        }
    }
    d.hash = hash;
    bitmap->dropReference();
    return d;
}

std::map<std::string, Digest> readGolden() {
    std::map<std::string, Digest> golden;
    std::ifstream in(QUENOR_GOLDEN_PICTURES);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        Digest d;
        fields >> name >> d.width >> d.height >> d.translucent >> std::hex >> d.hash;
        if (fields) golden[name] = d;
    }
    return golden;
}

}  // namespace

TEST(DecodedPictures, MatchThePinnedPixelsAndAlpha) {
    const char* names[] = {"but.png", "quenor4.bmp"};
    if (std::getenv("QUENOR_REGENERATE_GOLDEN")) {
        std::ofstream out(QUENOR_GOLDEN_PICTURES);
        out << "# picture width height translucent-pixels fnv1a64-of-premultiplied-argb\n";
        for (const char* name : names) out << name << " " << digestOf(name) << "\n";
        GTEST_SKIP() << "rewrote " << QUENOR_GOLDEN_PICTURES;
    }
    const std::map<std::string, Digest> golden = readGolden();
    for (const char* name : names) {
        const auto pinned = golden.find(name);
        ASSERT_NE(pinned, golden.end()) << name << " is not pinned";
        EXPECT_EQ(digestOf(name), pinned->second) << name;
    }
    EXPECT_GT(golden.at("but.png").translucent, 0) << "the handle's soft edge is part of what is compared";
}
