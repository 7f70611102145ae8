// What the editor tests' hosts share whatever the window system: the
// recorded callbacks, the plug-in kept loaded, the editor's geometry, the
// background read independently of the plug-in's decoder, and a fixture of
// one loaded instance.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/HostHarness.h"
#include "vst/VstInterface.h"

namespace editorhost {

constexpr int kWidth = 494;
constexpr int kHeight = 238;
constexpr int kPixels = kWidth * kHeight;

// Records every callback the plug-in makes, in order.
testhost::RecordingHost& recorder();
// Begin (100 + index), end (200 + index) and automation (300 + index) calls
// of effect, in order.
std::vector<VstInt32> editCalls(AEffect* effect);

// Kept loaded for the whole run, as a host keeps a plug-in it shows.
const testhost::PluginLibrary& pluginLibrary();
AEffect* loadPlugin();
void unloadPlugin(AEffect* effect);

float parameter(AEffect* effect, int index);
VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f);

// The slider rectangle of index and the client position of a value on it
// (the handle's grip point).
int sliderLeft(int index);
int sliderTop(int index);
int sliderX(int index, float value);
int sliderY(int index);
// The columns [left, right) of the handle of a picture handleWidth wide
// showing value on slider index; empty when nothing of it is visible.
struct HandleColumns {
    int left;
    int right;
};
HandleColumns handleColumns(int index, float value, int handleWidth);

// The panel's background, row by row from the top (0xRRGGBB).
std::vector<std::uint32_t> background();

// A picture the editor should show, and which pixels a comparison skips
// (where the handle's partly transparent pixels are blended by a decoder
// that may round either way).
struct Picture {
    std::vector<std::uint32_t> rgb;
    std::vector<bool> skipped;
};
// Pixels that differ from expected outside the skipped ones, in the columns
// [left, right) of the rows [top, bottom) or everywhere; -1 when the sizes
// differ.
int differingPixels(const std::vector<std::uint32_t>& actual, const Picture& expected, int left = 0, int top = 0,
                    int right = kWidth, int bottom = kHeight);

// One loaded plug-in instance, its editor closed and the instance released
// after the test.
class PluginInstanceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void closeEditor() { dispatch(effect, effEditClose); }
    // Reads the current program's four values back from the plug-in.
    void currentValues(float out[4]) const;

    AEffect* effect = nullptr;
};

}  // namespace editorhost
