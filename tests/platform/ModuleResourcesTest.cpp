// The pictures built into the image are found by type and name and read
// back byte for byte as the files they came from.
#include "platform/ModuleResources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> fileBytes(const std::string& name) {
    std::ifstream file(std::string(QUENOR_RESOURCE_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(ModuleResources, BothPicturesAreTheirFilesByteForByte) {
    for (const char* name : {"quenor4.bmp", "but.png"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> expected = fileBytes(name);
        ASSERT_GT(expected.size(), 100u);
        const platform::ModuleResource found = platform::findModuleResource("DATA", name);
        ASSERT_TRUE(found);
        ASSERT_EQ(found.size, expected.size());
        EXPECT_EQ(std::vector<std::uint8_t>(found.data, found.data + found.size), expected);
    }
}

TEST(ModuleResources, UnknownNameOrOtherTypeFindsNothing) {
    EXPECT_FALSE(platform::findModuleResource("DATA", "missing.png"));
    EXPECT_FALSE(platform::findModuleResource("BITMAP", "but.png"));
    EXPECT_FALSE(platform::findModuleResource("DATA", nullptr));
    EXPECT_FALSE(platform::findModuleResource(nullptr, "but.png"));
}

}  // namespace
