// The editor's horizontal slider on its own, outside any frame: what the
// mouse, the wheel and the arrow keys make of its value, and what its
// listener hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "vstgui/CBitmap.h"
#include "vstgui/CControlListener.h"
#include "vstgui/CHorizontalSlider.h"

using namespace VSTGUI;

namespace {

// Button flags as the frame delivers them.
constexpr int kLeftButton = 0x2;
constexpr int kRightButton = 0x8;
constexpr int kShiftKey = 0x10;
constexpr int kControlKey = 0x20;
constexpr int kDoubleClicked = 0x400;

// Virtual keys of the host's key records.
constexpr unsigned char kArrowLeft = 11;
constexpr unsigned char kArrowUp = 12;
constexpr unsigned char kArrowRight = 13;
constexpr unsigned char kArrowDown = 14;
constexpr unsigned char kShiftModifier = 0x1;

// The upper left slider of the editor: handle 33 pixels wide at offset
// (4, 2) on a 211-pixel track, so the handle travels 178 pixels.
const CRect kViewRect{32, 130, 291, 163};
constexpr int kHandleWidth = 33;
constexpr int kTravel = 211 - kHandleWidth;
// A free click grabs the handle at its middle pixel: value 0 puts that
// pixel under the pointer at the track's start plus half the handle.
constexpr int kZeroX = 32 + 4 + kHandleWidth / 2 - 1;
constexpr int kMiddleY = 146;

float valueAt(int x) { return std::clamp(static_cast<float>(x - kZeroX) / kTravel, 0.0f, 1.0f); }

struct Heard {
    enum Kind { Begin, Changed, End } kind;
    float value;
    bool operator==(const Heard&) const = default;
};

struct RecordingListener : CControlListener {
    std::vector<Heard> heard;
    const CControl* expected = nullptr;

    void onValueChanged(CControl* control) override { note(Heard::Changed, control); }
    void onBeginEdit(CControl* control) override { note(Heard::Begin, control); }
    void onEndEdit(CControl* control) override { note(Heard::End, control); }

    void note(Heard::Kind kind, const CControl* control) {
        EXPECT_EQ(control, expected);
        heard.push_back({kind, kind == Heard::Changed ? control->getValue() : 0.0f});
    }
    std::vector<float> changes() const {
        std::vector<float> values;
        for (const Heard& h : heard)
            if (h.kind == Heard::Changed) values.push_back(h.value);
        return values;
    }
};

struct SliderDeleter {
    void operator()(CSlider* slider) const { slider->dropReference(); }
};

class Slider : public ::testing::Test {
protected:
    void SetUp() override {
        auto* handle = new CBitmap("but.png");
        ASSERT_EQ(handle->getWidth(), kHandleWidth);
        slider.reset(new CHorizontalSlider(kViewRect, &listener, 0, {4, 2}, 211, handle, nullptr, {0, 0}, kLeft));
        handle->dropReference();
        slider->setWheelStep(0.05f);
        slider->setFreeClick(true);
        listener.expected = slider.get();
    }

    // A value as if stored by the editor and drawn since.
    void showValue(float v) {
        slider->setValue(v);
        slider->invalidate();
        listener.heard.clear();
    }

    MouseResult press(int x, int buttons, int y = kMiddleY) {
        CPoint where{x, y};
        return slider->mouseDown(where, buttons);
    }
    MouseResult move(int x, int buttons, int y = kMiddleY) {
        CPoint where{x, y};
        return slider->mouseMoved(where, buttons);
    }
    MouseResult release(int x, int buttons = 0) {
        CPoint where{x, kMiddleY};
        return slider->mouseUp(where, buttons);
    }
    int key(unsigned char virt, unsigned char modifier = 0) {
        VstKeyCode code{0, virt, modifier};
        return slider->keyDown(code);
    }

    RecordingListener listener;
    std::unique_ptr<CSlider, SliderDeleter> slider;
};

}  // namespace

TEST_F(Slider, HandleIsDrawnAlongItsTrackAndNeverOutsideIt) {
    struct Case {
        float value;
        int left;
        int right;
    };
    // left = view left + 4 + trunc(178 x value), kept inside view left + 4 .. + 215.
    for (const Case& c : {Case{0.0f, 36, 69}, Case{0.5f, 125, 158}, Case{1.0f, 214, 247}, Case{-0.5f, 36, 69},
                          Case{0.999f, 213, 246}, Case{1.1f, 231, 247}}) {
        SCOPED_TRACE(c.value);
        slider->setValue(c.value);
        const CRect handle = slider->handleRect();
        EXPECT_EQ(handle.left, c.left);
        EXPECT_EQ(handle.right, c.right);
        EXPECT_EQ(handle.top, 132);
        EXPECT_EQ(handle.bottom, 164);
    }
}

TEST_F(Slider, AClickAnywhereInTheViewSetsTheValueUnderThePointer) {
    struct Case {
        int x;
        float value;
    };
    for (const Case& c :
         {Case{32 + 19, 0.0f}, Case{32 + 197, 1.0f}, Case{32 + 108, 0.5f}, Case{32 + 20, 1.0f / 178},
          Case{32, 0.0f}, Case{32 + 18, 0.0f}, Case{32 + 198, 1.0f}, Case{291, 1.0f}}) {
        SCOPED_TRACE(c.x);
        showValue(0.25f);
        EXPECT_FLOAT_EQ(valueAt(c.x), c.value) << "the expectation itself";
        EXPECT_EQ(press(c.x, kLeftButton), MouseHandled);
        EXPECT_FLOAT_EQ(slider->getValue(), c.value);
        EXPECT_EQ(release(c.x), MouseHandled);
        ASSERT_EQ(listener.heard.size(), 3u);
        EXPECT_EQ(listener.heard[0].kind, Heard::Begin);
        EXPECT_EQ(listener.heard[1].kind, Heard::Changed);
        EXPECT_FLOAT_EQ(listener.heard[1].value, c.value);
        EXPECT_EQ(listener.heard[2].kind, Heard::End);
    }
}

TEST_F(Slider, ADragFollowsThePointerClampedToTheRange) {
    showValue(0.0f);
    EXPECT_EQ(press(kZeroX + 89, kLeftButton), MouseHandled);
    // Only the horizontal position counts, even above or below the view.
    for (int x : {kZeroX + 100, kZeroX + 178, kZeroX + 400, kZeroX - 7, -50, kZeroX + 33}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(move(x, kLeftButton, x % 2 ? 0 : 400), MouseHandled);
        EXPECT_FLOAT_EQ(slider->getValue(), valueAt(x));
    }
    // The pointer moving without the button pressed changes nothing.
    EXPECT_EQ(move(kZeroX + 150, 0), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), valueAt(kZeroX + 33));
    release(kZeroX + 150);

    // Clamped positions report once: a second move that stays clamped is no change.
    const std::vector<float> expected{0.5f, valueAt(kZeroX + 100), 1.0f, 0.0f, valueAt(kZeroX + 33)};
    const std::vector<float> heard = listener.changes();
    ASSERT_EQ(heard.size(), expected.size());
    for (std::size_t i = 0; i < heard.size(); ++i) EXPECT_FLOAT_EQ(heard[i], expected[i]) << i;
    EXPECT_EQ(listener.heard.front().kind, Heard::Begin);
    EXPECT_EQ(listener.heard.back().kind, Heard::End);
}

TEST_F(Slider, ShiftAtThePressMovesATenthOfThePointerFromTheValueAtThePress) {
    showValue(0.5f);
    EXPECT_EQ(press(kZeroX + 178, kLeftButton | kShiftKey), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f) << "fine mode never jumps";
    EXPECT_TRUE(listener.changes().empty());

    EXPECT_EQ(move(kZeroX + 178, kLeftButton | kShiftKey), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f + (1.0f - 0.5f) / 10);
    EXPECT_EQ(move(kZeroX, kLeftButton | kShiftKey), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f + (0.0f - 0.5f) / 10) << "178 pixels move the value by a tenth";
    EXPECT_EQ(move(kZeroX + 89, kLeftButton | kShiftKey), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    release(kZeroX + 89);
    EXPECT_EQ(listener.heard.front().kind, Heard::Begin);
    EXPECT_EQ(listener.heard.back().kind, Heard::End);
}

TEST_F(Slider, ShiftDuringADragAnchorsAtTheValueThenAndReleasingItJumpsBack) {
    showValue(0.0f);
    press(kZeroX + 89, kLeftButton);
    move(kZeroX + 178, kLeftButton);
    ASSERT_FLOAT_EQ(slider->getValue(), 1.0f);

    move(kZeroX, kLeftButton | kShiftKey);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f + (0.0f - 1.0f) / 10);
    move(kZeroX, kLeftButton | kShiftKey);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.9f) << "the anchor stays where shift went down";
    move(kZeroX + 89, kLeftButton | kShiftKey);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f + (0.5f - 1.0f) / 10);

    move(kZeroX + 89, kLeftButton);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    move(kZeroX + 44, kLeftButton);
    EXPECT_FLOAT_EQ(slider->getValue(), valueAt(kZeroX + 44));
    release(kZeroX + 44);
}

TEST_F(Slider, ControlClickResetsToTheMiddleAsOneEdit) {
    showValue(0.2f);
    EXPECT_FLOAT_EQ(slider->getDefaultValue(), 0.5f);
    EXPECT_EQ(press(kZeroX + 170, kLeftButton | kControlKey), MouseHandledDone);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    ASSERT_EQ(listener.changes(), std::vector<float>{0.5f});
    EXPECT_EQ(listener.heard.front().kind, Heard::Begin);
    EXPECT_EQ(listener.heard.back().kind, Heard::End);
    EXPECT_EQ(std::count(listener.heard.begin(), listener.heard.end(), Heard{Heard::Begin, 0.0f}),
              std::count(listener.heard.begin(), listener.heard.end(), Heard{Heard::End, 0.0f}));

    // At the default already (and drawn), the reset is an edit without a change.
    showValue(0.5f);
    EXPECT_EQ(press(kZeroX, kLeftButton | kControlKey), MouseHandledDone);
    EXPECT_TRUE(listener.changes().empty());
}

TEST_F(Slider, OtherPressesWithControlAreNotResets) {
    // With shift too: a fine press, which does not move.
    showValue(0.2f);
    EXPECT_EQ(press(kZeroX + 170, kLeftButton | kControlKey | kShiftKey), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.2f);
    release(kZeroX + 170);

    // A double click: an ordinary press that takes the pointer's value.
    showValue(0.2f);
    EXPECT_EQ(press(kZeroX + 170, kLeftButton | kControlKey | kDoubleClicked), MouseHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), valueAt(kZeroX + 170));
    release(kZeroX + 170);
}

TEST_F(Slider, OnlyTheLeftButtonIsTakenUp) {
    showValue(0.2f);
    EXPECT_EQ(press(kZeroX + 100, kRightButton), MouseNotHandled);
    EXPECT_EQ(press(kZeroX + 100, kRightButton | kControlKey), MouseNotHandled);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.2f);
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(Slider, AWheelNotchIsTheWheelStepAndATenthOfItWithShift) {
    struct Case {
        float start;
        float notches;
        int buttons;
        float value;
    };
    for (const Case& c : {Case{0.5f, 1, 0, 0.55f}, Case{0.5f, -2, 0, 0.4f}, Case{0.5f, 1, kShiftKey, 0.505f},
                          Case{0.5f, -3, kShiftKey, 0.485f}, Case{0.95f, 3, 0, 1.0f}, Case{0.02f, -1, 0, 0.0f}}) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.notches << " " << c.buttons);
        showValue(c.start);
        EXPECT_TRUE(slider->wheel({kZeroX, kMiddleY}, c.notches, c.buttons));
        EXPECT_FLOAT_EQ(slider->getValue(), c.value);
        ASSERT_EQ(listener.heard.size(), 3u) << "one change, bracketed as an edit";
        EXPECT_EQ(listener.heard[0].kind, Heard::Begin);
        EXPECT_FLOAT_EQ(listener.heard[1].value, c.value);
        EXPECT_EQ(listener.heard[2].kind, Heard::End);
    }
}

TEST_F(Slider, AWheelPastTheEndOfTheRangeSendsNothing) {
    showValue(1.0f);
    EXPECT_TRUE(slider->wheel({kZeroX, kMiddleY}, 1, 0));
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);
    EXPECT_TRUE(listener.heard.empty());

    slider->setMouseEnabled(false);
    showValue(0.5f);
    EXPECT_FALSE(slider->wheel({kZeroX, kMiddleY}, 1, 0));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(Slider, ArrowKeysStepByTheWheelStep) {
    struct Case {
        unsigned char virt;
        unsigned char modifier;
        float value;
    };
    for (const Case& c : {Case{kArrowUp, 0, 0.55f}, Case{kArrowRight, 0, 0.55f}, Case{kArrowDown, 0, 0.45f},
                          Case{kArrowLeft, 0, 0.45f}, Case{kArrowUp, kShiftModifier, 0.505f},
                          Case{kArrowLeft, kShiftModifier, 0.495f}}) {
        SCOPED_TRACE(testing::Message() << int(c.virt) << " " << int(c.modifier));
        showValue(0.5f);
        EXPECT_EQ(key(c.virt, c.modifier), 1);
        EXPECT_FLOAT_EQ(slider->getValue(), c.value);
        ASSERT_EQ(listener.changes().size(), 1u);
        EXPECT_EQ(listener.heard.front().kind, Heard::Begin);
        EXPECT_EQ(listener.heard.back().kind, Heard::End);
    }

    showValue(0.0f);
    EXPECT_EQ(key(kArrowDown), 1) << "handled, though it changes nothing";
    EXPECT_FLOAT_EQ(slider->getValue(), 0.0f);
    EXPECT_TRUE(listener.heard.empty());

    showValue(0.5f);
    for (unsigned char other : {0, 1, 2, 10, 15}) EXPECT_EQ(key(other), -1) << int(other);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_TRUE(listener.heard.empty());
}
