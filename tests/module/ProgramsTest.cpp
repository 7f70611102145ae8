// Programs, names, parameters and chunks through the record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/HostHarness.h"

using namespace testhost;

namespace {

struct Record {
    float values[4];
    char name[24];
};
static_assert(sizeof(Record) == 40);

}  // namespace

class Programs : public ::testing::Test {
protected:
    std::vector<Record> bank() const {
        void* data = nullptr;
        EXPECT_EQ(plugin.dispatch(effGetChunk, 0, 0, &data), 160);
        std::vector<Record> records(4);
        std::memcpy(records.data(), data, 160);
        return records;
    }

    PluginLibrary library;
    PluginInstance plugin{library};
};

TEST_F(Programs, FactoryPresets) {
    const char* names[] = {"bright", "plastic", "metallic", "expressive"};
    const float values[4][4] = {{0.5f, 0.2f, 0.7f, 0.35f},
                                {0.5f, 1.0f, 0.7f, 0.35f},
                                {0.5f, 0.2f, 0.7f, 0.45f},
                                {0.5f, 0.17f, 0.85f, 0.4f}};
    const auto records = bank();
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(plugin.text(effGetProgramNameIndexed, p), names[p]);
        EXPECT_STREQ(records[p].name, names[p]);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(records[p].values[i], values[p][i]) << p << "," << i;
        // Bytes after the terminator are zero.
        for (std::size_t c = std::strlen(names[p]); c < 24; ++c) EXPECT_EQ(records[p].name[c], 0);
    }
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin.text(effGetProgramName), "bright");
}

TEST_F(Programs, ParametersFollowTheCurrentProgram) {
    EXPECT_EQ(plugin.getParameter(2), 0.7f);
    plugin.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(plugin.getParameter(1), 0.17f);
    EXPECT_EQ(plugin.text(effGetProgramName), "expressive");

    plugin.setParameter(2, 0.9f);
    EXPECT_EQ(plugin.getParameter(2), 0.9f);
    plugin.setParameter(0, 1.7f);  // stored unclamped
    EXPECT_EQ(plugin.getParameter(0), 1.7f);
    const auto records = bank();
    EXPECT_EQ(records[3].values[2], 0.9f);
    EXPECT_EQ(records[0].values[2], 0.7f);
    EXPECT_EQ(records[2].values[2], 0.7f);
}

TEST_F(Programs, NamesAreCutAt23Characters) {
    char longName[] = "abcdefghijklmnopqrstuvwxyz0123";
    plugin.dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(plugin.text(effGetProgramName), "abcdefghijklmnopqrstuvw");
    char shortName[] = "soft";
    plugin.dispatch(effSetProgramName, 0, 0, shortName);
    EXPECT_EQ(plugin.text(effGetProgramName), "soft");
    const auto records = bank();
    for (int c = 4; c < 24; ++c) EXPECT_EQ(records[0].name[c], 0) << c;
}

TEST_F(Programs, IndexedNamesRefuseOutOfRange) {
    char text[32] = "untouched";
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 4, 0, text), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, -1, 0, text), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 2, 99, text), 1);
    EXPECT_STREQ(text, "metallic");
}

TEST_F(Programs, BankChunkRoundTrip) {
    void* data = nullptr;
    ASSERT_EQ(plugin.dispatch(effGetChunk, 0, 0, &data), 160);
    std::vector<Record> saved(4);
    std::memcpy(saved.data(), data, 160);

    plugin.dispatch(effSetProgram, 0, 2);
    plugin.setParameter(1, 0.99f);
    char name[] = "changed";
    plugin.dispatch(effSetProgramName, 0, 0, name);

    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, 160, saved.data()), 160);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 2);
    EXPECT_EQ(plugin.getParameter(1), 0.2f);
    EXPECT_EQ(plugin.text(effGetProgramName), "metallic");
}

TEST_F(Programs, PresetChunkIsTheCurrentProgram) {
    plugin.dispatch(effSetProgram, 0, 1);
    void* data = nullptr;
    ASSERT_EQ(plugin.dispatch(effGetChunk, 1, 0, &data), 40);
    Record record;
    std::memcpy(&record, data, 40);
    EXPECT_STREQ(record.name, "plastic");
    EXPECT_EQ(record.values[1], 1.0f);

    Record replacement = {{0.25f, 0.5f, 0.75f, 1.0f}, "mine"};
    EXPECT_EQ(plugin.dispatch(effSetChunk, 1, 40, &replacement), 40);
    EXPECT_EQ(plugin.getParameter(0), 0.25f);
    EXPECT_EQ(plugin.getParameter(3), 1.0f);
    EXPECT_EQ(plugin.text(effGetProgramName), "mine");
    EXPECT_EQ(plugin.text(effGetProgramNameIndexed, 0), "bright");
}

TEST_F(Programs, WrongChunkSizesChangeNothing) {
    const auto before = bank();
    std::vector<char> junk(4096, 0x41);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, 40, junk.data()), 0);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 1, 160, junk.data()), 0);
    std::vector<VstIntPtr> sizes = {0, 39, 41, 159, 161, -160, 4096};
    if constexpr (sizeof(VstIntPtr) > 4)  // low 32 bits that make a whole record or bank
        sizes.insert(sizes.end(), {(VstIntPtr{1} << 32) + 160, -(VstIntPtr{1} << 32) + 40});
    for (VstIntPtr size : sizes)
        for (VstInt32 isPreset : {0, 1}) EXPECT_EQ(plugin.dispatch(effSetChunk, isPreset, size, junk.data()), 0);
    const auto after = bank();
    EXPECT_EQ(std::memcmp(before.data(), after.data(), 160), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
}

TEST_F(Programs, UnterminatedNameIsNeverReadPastItsRecord) {
    Record record = {{0.5f, 0.5f, 0.5f, 0.5f}, {}};
    std::memset(record.name, 'x', sizeof record.name);
    ASSERT_EQ(plugin.dispatch(effSetChunk, 1, 40, &record), 40);
    EXPECT_EQ(plugin.text(effGetProgramName), std::string(23, 'x'));
    EXPECT_EQ(plugin.text(effGetProgramNameIndexed, 0), std::string(23, 'x'));
    EXPECT_EQ(plugin.text(effGetProgramNameIndexed, 1), "plastic");
}
