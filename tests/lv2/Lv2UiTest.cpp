// The editor as an LV2 UI, loaded as a host loads it: embedded in a parent
// window, driven by idle calls, talking to the plug-in only through its
// control ports and the touch feature.
#include "tests/module/X11EditorTestHost.h"

#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "lv2/Lv2Ports.h"
#include "plugin/ProgramRecord.h"

using namespace editorhost;

namespace {

const LV2UI_Descriptor* descriptor(std::uint32_t index = 0) {
    // Kept loaded for the whole run, as a host keeps a UI library it shows.
    static void* const library = dlopen(QUENOR_LV2_UI_PATH, RTLD_NOW | RTLD_LOCAL);
    const auto entry =
        library ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor")) : nullptr;
    return entry ? entry(index) : nullptr;
}

// What the UI told the host, in order.
struct HostCall {
    enum Kind { write, grab, release } kind;
    std::uint32_t port;
    float value;
    bool operator==(const HostCall&) const = default;
};

class Lv2Ui : public ::testing::Test {
protected:
    void SetUp() override {
        resetInput();
        ui = descriptor();
        ASSERT_NE(ui, nullptr);
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
        std::copy(std::begin(kFactoryPrograms[0].parameters), std::end(kFactoryPrograms[0].parameters), shown);
    }

    void TearDown() override {
        if (handle) ui->cleanup(handle);
        resetInput();
    }

    LV2UI_Handle instantiate(std::vector<const LV2_Feature*> features, const char* plugin = lv2port::kPluginUri) {
        features.push_back(nullptr);
        return ui->instantiate(ui, plugin, "", writePort, this, &widget, features.data());
    }

    // Embedded in host, with the touch feature when asked, and first painted.
    bool open(bool withTouch = true) {
        std::vector<const LV2_Feature*> features{&parentFeature, &resizeFeature};
        if (withTouch) features.push_back(&touchFeature);
        handle = instantiate(features);
        if (!handle) return false;
        idleUi();
        return true;
    }

    void idleUi(int calls = 3) {
        idle([this] { idleResult = idleInterface->idle(handle); }, calls);
    }

    void sendPort(std::uint32_t port, float value, std::uint32_t format = 0) {
        ui->port_event(handle, port, sizeof value, format, &value);
    }

    // Differing pixels between the editor and the handles of shown.
    int differenceFromShown() const { return differingPixels(screenshot(host), expectedPicture(shown)); }

    std::vector<HostCall> callsOf(HostCall::Kind kind) const {
        std::vector<HostCall> result;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(result),
                     [kind](const HostCall& c) { return c.kind == kind; });
        return result;
    }

    static void writePort(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                          const void* buffer) {
        EXPECT_EQ(size, sizeof(float));
        EXPECT_EQ(format, 0u);
        static_cast<Lv2Ui*>(controller)
            ->calls.push_back({HostCall::write, port, *static_cast<const float*>(buffer)});
    }
    static void touch(LV2UI_Feature_Handle self, std::uint32_t port, bool grabbed) {
        static_cast<Lv2Ui*>(self)->calls.push_back({grabbed ? HostCall::grab : HostCall::release, port, 0.0f});
    }
    static int resize(LV2UI_Feature_Handle self, int width, int height) {
        static_cast<Lv2Ui*>(self)->resized.push_back({width, height});
        return 0;
    }

    HostWindow host;
    const LV2UI_Descriptor* ui = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    int idleResult = -1;
    std::vector<HostCall> calls;
    std::vector<std::pair<int, int>> resized;
    // The values the editor should show.
    float shown[4];

    LV2UI_Touch touchData{this, touch};
    LV2UI_Resize resizeData{this, resize};
    LV2_Feature parentFeature{LV2_UI__parent, host.asParent()};
    LV2_Feature touchFeature{LV2_UI__touch, &touchData};
    LV2_Feature resizeFeature{LV2_UI__resize, &resizeData};
};

TEST_F(Lv2Ui, OnlyAnEmbeddedUiOfThisPlugInIsMade) {
    EXPECT_STREQ(ui->URI, lv2port::kUiUri);
    EXPECT_EQ(descriptor(1), nullptr);

    const std::vector<long long> before = footprint();
    EXPECT_EQ(instantiate({}), nullptr);
    EXPECT_EQ(instantiate({&touchFeature, &resizeFeature}), nullptr) << "no parent window";
    EXPECT_EQ(instantiate({&parentFeature}, "urn:another:plugin"), nullptr);
    EXPECT_EQ(host.childCount(), 0);
    EXPECT_EQ(footprint(), before);

    ASSERT_TRUE(open());
    EXPECT_EQ(reinterpret_cast<Window>(widget), editorWindow(host)) << "the widget is the editor's window";
    EXPECT_EQ(resized, (std::vector<std::pair<int, int>>{{kWidth, kHeight}}));
    EXPECT_EQ(idleResult, 0);
    EXPECT_EQ(differenceFromShown(), 0) << "the first program's values until the host sends its own";
}

TEST_F(Lv2Ui, ADragWritesItsPortBetweenGrabAndRelease) {
    ASSERT_TRUE(open());
    const std::uint32_t port = lv2port::controlPort(kSustain);
    movePointer(host, sliderX(kSustain, shown[kSustain]), sliderY(kSustain));
    pressLeft(host);
    for (float value = 0.6f; value >= 0.2f; value -= 0.1f) {
        movePointer(host, sliderX(kSustain, value), sliderY(kSustain) + 3);
        idleUi(1);
    }
    // The host's late echo of an earlier write leaves the held handle alone.
    sendPort(port, 0.6f);
    idleUi();
    shown[kSustain] = calls.back().value;
    EXPECT_EQ(differenceFromShown(), 0);
    releaseLeft(host);
    idleUi();

    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls.front(), (HostCall{HostCall::grab, port, 0.0f}));
    EXPECT_EQ(calls.back(), (HostCall{HostCall::release, port, 0.0f}));
    const std::vector<HostCall> writes = callsOf(HostCall::write);
    EXPECT_EQ(writes.size(), calls.size() - 2) << "nothing but writes between grab and release";
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].port, port);
        if (i > 0) {
            EXPECT_LT(writes[i].value, writes[i - 1].value) << "the values follow the pointer";
        }
    }
    EXPECT_NEAR(writes.back().value, 0.2f, 0.006f);
    EXPECT_EQ(differenceFromShown(), 0);

    // A host without the touch feature is told of values only.
    ui->cleanup(handle);
    handle = nullptr;
    calls.clear();
    ASSERT_TRUE(open(false));
    click(host, sliderX(kDamper, 0.5f), sliderY(kDamper));
    idleUi();
    EXPECT_EQ(calls, (std::vector<HostCall>{{HostCall::write, lv2port::controlPort(kDamper), 0.5f}}));
}

TEST_F(Lv2Ui, PortEventsOfTheControlsMoveTheirHandles) {
    ASSERT_TRUE(open());
    const float values[4] = {0.0f, 1.0f, 0.25f, 0.9f};
    for (int i = 0; i < 4; ++i) sendPort(lv2port::controlPort(i), shown[i] = values[i]);
    // Neither other ports nor other protocols are values of the sliders.
    sendPort(lv2port::kLatency, 0.5f);
    sendPort(lv2port::kOutLeft, 0.5f);
    sendPort(lv2port::controlPort(kVolume), 0.5f, 1);
    // A non-finite value moves nothing, one out of range goes to the end.
    sendPort(lv2port::controlPort(kSustain), std::numeric_limits<float>::quiet_NaN());
    sendPort(lv2port::controlPort(kDamper), 7.0f);
    shown[kDamper] = 1.0f;
    idleUi();
    EXPECT_EQ(differenceFromShown(), 0);
    EXPECT_TRUE(calls.empty()) << "the host's own values are not written back";
}

TEST_F(Lv2Ui, ClosingLeavesNothingBehind) {
    const std::vector<long long> before = footprint();
    ASSERT_TRUE(open());
    // Closed in the middle of a drag: the host gets its release.
    movePointer(host, sliderX(kVolume, shown[kVolume]), sliderY(kVolume));
    pressLeft(host);
    idleUi();
    ui->cleanup(handle);
    handle = nullptr;
    releaseLeft(host);
    EXPECT_EQ(callsOf(HostCall::release),
              (std::vector<HostCall>{{HostCall::release, lv2port::controlPort(kVolume), 0.0f}}));
    EXPECT_EQ(host.childCount(), 0);
    EXPECT_EQ(footprint(), before) << "the editor's server connection closes with it";

    // A host that destroys the parent first is told the UI is done.
    ASSERT_TRUE(open());
    host.destroy();
    idleUi();
    EXPECT_NE(idleResult, 0);
}

}  // namespace
