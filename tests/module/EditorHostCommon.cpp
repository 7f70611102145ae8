#include "tests/module/EditorHostCommon.h"

#include "tests/module/EditorTestHost.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace editorhost {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

testhost::RecordingHost& recorder() {
    static testhost::RecordingHost host;
    return host;
}

std::vector<VstInt32> editCalls(AEffect* effect) {
    std::vector<VstInt32> result;
    for (const testhost::HostCall& call : recorder().calls()) {
        if (call.effect != effect) continue;
        if (call.opcode == audioMasterBeginEdit) result.push_back(100 + call.index);
        if (call.opcode == audioMasterEndEdit) result.push_back(200 + call.index);
        if (call.opcode == audioMasterAutomate) result.push_back(300 + call.index);
    }
    return result;
}

const testhost::PluginLibrary& pluginLibrary() {
    static const auto* loaded = new testhost::PluginLibrary;
    return *loaded;
}

AEffect* loadPlugin() {
    recorder();  // active before the plug-in's first callback
    AEffect* effect = pluginLibrary().entry()(testhost::RecordingHost::callback);
    if (!effect) throw std::runtime_error("VSTPluginMain refused");
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    return effect;
}

void unloadPlugin(AEffect* effect) { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

float parameter(AEffect* effect, int index) { return effect->getParameter(effect, index); }

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

int sliderLeft(int index) { return 32 + 217 * (index / 2); }
int sliderTop(int index) { return 130 + 56 * (index % 2); }
int sliderX(int index, float value) { return sliderLeft(index) + 19 + static_cast<int>(value * 178.0f); }
int sliderY(int index) { return sliderTop(index) + 16; }

HandleColumns handleColumns(int index, float value, int handleWidth) {
    // Drawn inside the slider's rectangle and inside its travel.
    const int viewLeft = sliderLeft(index);
    const float pixels = std::clamp(178.0f * value, -1.0e6f, 1.0e6f);
    const int left = viewLeft + std::max(static_cast<int>(pixels) + 4, 4);
    return {left, std::min(left + handleWidth, viewLeft + 215)};
}

std::vector<std::uint32_t> background() {
    // Bottom-up BGRx rows, which as little-endian words are 0x..RRGGBB.
    std::ifstream in(QUENOR_RESOURCE_DIR "/quenor4.bmp", std::ios::binary);
    const std::vector<std::uint8_t> bmp{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bmp.size() < 54) throw std::runtime_error("cannot read the background");
    const std::uint32_t offset = le32(bmp.data() + 10);
    if (bmp.size() < offset + static_cast<std::size_t>(kPixels) * 4) throw std::runtime_error("short background");
    std::vector<std::uint32_t> rgb(kPixels);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            rgb[y * kWidth + x] = le32(bmp.data() + offset + ((kHeight - 1 - y) * kWidth + x) * 4) & 0xFFFFFF;
    return rgb;
}

int differingPixels(const std::vector<std::uint32_t>& actual, const Picture& expected, int left, int top, int right,
                    int bottom) {
    if (actual.size() != expected.rgb.size() || expected.skipped.size() != expected.rgb.size()) return -1;
    int differing = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
            differing += !expected.skipped[i] && actual[i] != expected.rgb[i];
        }
    return differing;
}

void PluginInstanceTest::SetUp() {
    recorder().clear();
    effect = loadPlugin();
}

void PluginInstanceTest::TearDown() {
    closeEditor();
    unloadPlugin(effect);
}

void PluginInstanceTest::currentValues(float out[4]) const {
    for (int i = 0; i < 4; ++i) out[i] = parameter(effect, i);
}

void EditorTest::SetUp() {
    resetInput();
    PluginInstanceTest::SetUp();
}

void EditorTest::TearDown() {
    PluginInstanceTest::TearDown();
    resetInput();
}

bool EditorTest::openAndShow() {
    EXPECT_TRUE(openEditor());
    idle(effect);
    return host.childCount() > 0;
}

int EditorTest::differenceFromValues(const HostWindow& host, AEffect* effect) {
    float values[4];
    for (int i = 0; i < 4; ++i) values[i] = parameter(effect, i);
    return differingPixels(screenshot(host), expectedPicture(values));
}

}  // namespace editorhost
