#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/ModuleResources.h"
#include "tests/support/SystemDifferences.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "vstgui/COffscreenContext.h"
#include "vstgui/ResourceStream.h"
#include "vstgui/ToolkitGlobals.h"

using namespace VSTGUI;

namespace {

class MemoryReader final : public platform::ByteReader {
public:
    explicit MemoryReader(std::vector<std::uint8_t> bytes) : bytes(std::move(bytes)) {}
    bool readExact(void* buffer, std::uint32_t count) override {
        if (position + count > bytes.size()) return false;
        std::memcpy(buffer, bytes.data() + position, count);
        position += count;
        return true;
    }
    std::uint32_t totalSize() override { return static_cast<std::uint32_t>(bytes.size()); }

private:
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

std::vector<std::uint8_t> resourceBytes(const char* name) {
    const platform::ModuleResource resource = platform::findModuleResource("DATA", name);
    return {resource.data, resource.data + resource.size};
}

}  // namespace

TEST(EditorResources, ImagesLoadWithTheirSizesAndTheHandleHasAlpha) {
    auto* handle = new CBitmap("but.png");
    auto* background = new CBitmap("quenor4.bmp");
    EXPECT_EQ(handle->getWidth(), 33);
    EXPECT_EQ(handle->getHeight(), 32);
    EXPECT_EQ(background->getWidth(), 494);
    EXPECT_EQ(background->getHeight(), 238);
    EXPECT_EQ(handle->image().pixelAt(0, 0) >> 24, 0u) << "the handle's corner is see-through";
    EXPECT_EQ(handle->image().pixelAt(16, 16) >> 24, 255u) << "the handle's cap is opaque";
    // The background is opaque everywhere, whatever its fourth byte says.
    for (int y = 0; y < 238; y += 17)
        for (int x = 0; x < 494; x += 13) ASSERT_EQ(background->image().pixelAt(x, y) >> 24, 255u);
    handle->dropReference();
    background->dropReference();
}

TEST(EditorResources, MissingOrWrongTypeGivesAnEmptyBitmap) {
    auto* missing = new CBitmap("nothing.png");
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    EXPECT_FALSE(platform::findModuleResource("BITMAP", "but.png"));
    EXPECT_FALSE(missing->loadFromResource(nullptr));

    // Replacing a picture replaces its size.
    EXPECT_TRUE(missing->loadFromResource("but.png"));
    EXPECT_EQ(missing->getWidth(), 33);
    EXPECT_FALSE(missing->loadFromResource("quenor4.png"));
    EXPECT_EQ(missing->getWidth(), 0);
    missing->dropReference();
}

TEST(EditorResources, DamagedPicturesDecodeToNothing) {
    for (const char* name : {"but.png", "quenor4.bmp"}) {
        std::vector<std::uint8_t> bytes = resourceBytes(name);
        ASSERT_FALSE(bytes.empty());
        std::vector<std::uint8_t> truncated(bytes.begin(), bytes.begin() + bytes.size() / 2);
        MemoryReader shortReader(truncated);
        EXPECT_FALSE(platform::Image::decode(shortReader).isValid()) << name;

        MemoryReader fullReader(bytes);
        EXPECT_TRUE(platform::Image::decode(fullReader).isValid()) << name;
    }
    // Our own decoder reads the one bit depth the editor ships; the
    // system's decoder on Windows reads them all.
    if (!testhost::systemDecodesPictures()) {
        std::vector<std::uint8_t> bmp = resourceBytes("quenor4.bmp");
        bmp[28] = 24;
        MemoryReader reader(bmp);
        EXPECT_FALSE(platform::Image::decode(reader).isValid());
    }
}

TEST(EditorResources, ANameThatIsNoDataFileFallsBackToTheSystemsBitmapResource) {
    auto* fallback = new CBitmap("panel-bitmap");
    if (testhost::modulesCarryBitmapResources()) {
        auto* data = new CBitmap("quenor4.bmp");
        ASSERT_EQ(fallback->getWidth(), 494);
        ASSERT_EQ(fallback->getHeight(), 238);
        for (int y = 0; y < 238; y += 7)
            for (int x = 0; x < 494; x += 5)
                ASSERT_EQ(fallback->image().pixelAt(x, y) & 0xFFFFFF, data->image().pixelAt(x, y) & 0xFFFFFF)
                    << x << "," << y;
        data->dropReference();
    } else {
        EXPECT_EQ(fallback->getWidth(), 0) << "a shared library has no bitmap resources";
    }
    fallback->dropReference();
}

TEST(EditorResources, StreamReadsWholeOrNothingAndSeeksInsideTheData) {
    auto* stream = new ResourceStream;
    ASSERT_TRUE(stream->open("but.png"));
    const std::vector<std::uint8_t> bytes = resourceBytes("but.png");
    const auto size = static_cast<std::uint32_t>(bytes.size());
    std::uint64_t reported = 0;
    EXPECT_EQ(stream->stat(&reported), kStreamOk);
    EXPECT_EQ(reported, size);

    std::vector<std::uint8_t> buffer(size + 1);
    std::uint32_t done = 0;
    EXPECT_EQ(stream->read(buffer.data(), size - 1, &done), kStreamOk);
    EXPECT_EQ(done, size - 1);
    EXPECT_EQ(stream->read(buffer.data(), 2, &done), kStreamFalse) << "no short reads";
    std::uint8_t last = 0;
    EXPECT_EQ(stream->read(&last, 1, nullptr), kStreamOk) << "a refused read leaves the position";
    EXPECT_EQ(last, bytes.back());
    EXPECT_EQ(stream->read(&last, 1, nullptr), kStreamFalse);

    std::uint64_t position = 0;
    EXPECT_EQ(stream->seek(size, kSeekFromStart, &position), kStreamFalse);
    EXPECT_EQ(stream->seek(-1, kSeekFromStart, &position), kStreamFalse);
    EXPECT_EQ(stream->seek(0, kSeekFromEnd, &position), kStreamFalse);
    EXPECT_EQ(stream->seek(0, 3, &position), kStreamInvalidFunction);
    EXPECT_EQ(stream->seek(size - 1, kSeekFromStart, &position), kStreamOk);
    EXPECT_EQ(position, size - 1);
    EXPECT_EQ(stream->seek(-4, kSeekFromCurrent, &position), kStreamOk);
    EXPECT_EQ(position, size - 5);
    EXPECT_EQ(stream->read(buffer.data(), 5, nullptr), kStreamOk) << "exactly the remaining bytes";
    EXPECT_EQ(std::memcmp(buffer.data(), bytes.data() + size - 5, 5), 0);

    EXPECT_EQ(stream->revert(), kStreamOk);
    EXPECT_EQ(stream->read(buffer.data(), 4, nullptr), kStreamOk);
    EXPECT_EQ(std::memcmp(buffer.data(), "\x89PNG", 4), 0);

    EXPECT_EQ(stream->addRef(), 2u);
    EXPECT_EQ(stream->release(), 1u);
    EXPECT_EQ(stream->release(), 0u);

    auto* missing = new ResourceStream;
    EXPECT_FALSE(missing->open("quenor4.png"));
    missing->release();
}

TEST(EditorResources, DrawCopiesAnUnscaledRegionFromTheOffset) {
    auto* picture = new CBitmap("quenor4.bmp");
    auto* context = new COffscreenContext(40, 40);
    picture->draw(context, {0, 0, 20, 20}, {10, 0});
    const platform::Image& drawn = context->getBitmap()->image();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(drawn.pixelAt(x, y), picture->image().pixelAt(x + 10, y)) << x << "," << y;
    EXPECT_EQ(drawn.pixelAt(20, 5), 0u) << "nothing beyond the rectangle";
    EXPECT_EQ(drawn.pixelAt(5, 20), 0u);

    // The clip limits drawing further.
    context->setClipRect({0, 0, 5, 5});
    auto* handle = new CBitmap("but.png");
    handle->draw(context, {20, 20, 40, 40}, {8, 8});
    EXPECT_EQ(drawn.pixelAt(30, 30), 0u);
    handle->dropReference();
    context->dropReference();
    picture->dropReference();
}

TEST(EditorResources, ABlendBelowFullAlphaScalesThePicturesAlpha) {
    auto* picture = new CBitmap("quenor4.bmp");
    auto* context = new COffscreenContext(30, 30);
    picture->drawAlphaBlend(context, {5, 5, 25, 25}, {100, 50}, 128);
    const platform::Image& drawn = context->getBitmap()->image();
    for (int y = 5; y < 25; ++y) {
        for (int x = 5; x < 25; ++x) {
            const std::uint32_t got = drawn.pixelAt(x, y);
            const std::uint32_t source = picture->image().pixelAt(x + 95, y + 45);
            ASSERT_NEAR(static_cast<int>(got >> 24), 128, 1) << x << "," << y;
            for (int shift : {0, 8, 16})
                ASSERT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((source >> shift) & 0xFF), 2)
                    << x << "," << y;
        }
    }
    EXPECT_EQ(drawn.pixelAt(4, 10), 0u) << "nothing outside the rectangle";
    EXPECT_EQ(drawn.pixelAt(25, 10), 0u);
    context->dropReference();
    picture->dropReference();
}

TEST(EditorResources, SharedStateLivesWhileAFrameOrBitmapExists) {
    ASSERT_EQ(ToolkitGlobals::holderCount(), 0);
    auto* bitmap = new CBitmap("but.png");
    EXPECT_EQ(ToolkitGlobals::holderCount(), 1);
    auto* frame = new CFrame({0, 0, 100, 100}, nullptr, nullptr);
    EXPECT_EQ(ToolkitGlobals::holderCount(), 2);
    EXPECT_EQ(frame->getSystemWindow(), nullptr) << "no parent, no window";
    frame->setBackground(bitmap);
    bitmap->dropReference();
    EXPECT_EQ(ToolkitGlobals::holderCount(), 2) << "the frame keeps its background";
    frame->idle();
    frame->dropReference();
    EXPECT_EQ(ToolkitGlobals::holderCount(), 0);
}
