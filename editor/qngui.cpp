#include "editor/qngui.h"

#include "platform/NativeWindow.h"
#include "vst/AudioEffect.h"
#include "vst/EditorFactory.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "vstgui/CHorizontalSlider.h"

using namespace VSTGUI;

namespace {

constexpr short kEditorWidth = 494;
constexpr short kEditorHeight = 238;
constexpr char kBackgroundResource[] = "quenor4.bmp";
constexpr char kHandleResource[] = "but.png";

// Slider geometry: two columns of two rows over the captions of the panel.
constexpr int kColumnPitch = 217;
constexpr int kRowPitch = 56;
constexpr int kFirstLeft = 32;
constexpr int kFirstTop = 130;
constexpr int kSliderWidth = 259;
constexpr int kSliderHeight = 33;
constexpr CPoint kHandleOffset{4, 2};
constexpr int kHandleRange = 211;
constexpr float kWheelStep = 0.05f;
// Tags with any of these bits name no parameter.
constexpr VstInt32 kNonParameterTags = 0xF00;

CRect sliderRect(int index) {
    const int column = index / 2;
    const int row = index % 2;
    const int left = kFirstLeft + column * kColumnPitch;
    const int top = kFirstTop + row * kRowPitch;
    return {left, top, left + kSliderWidth, top + kSliderHeight};
}

}  // namespace

qngui::qngui(AudioEffect* effect) : AEffGUIEditor(effect) { rect = {0, 0, kEditorHeight, kEditorWidth}; }

// A host may close the instance with the editor still open.
qngui::~qngui() {
    if (frame) close();
}

bool qngui::open(void* parentWindow) {
    // Without a window layer there is nothing to show: refuse before anything
    // is made, so the host keeps its own window empty.
    if (!platform::NativeWindow::canCreateWindows()) return false;
    // A host that opens again without closing gets one window, in the new parent.
    if (frame) close();
    AEffGUIEditor::open(parentWindow);
    // Values handed over before this point are read afresh below.
    pendingMask.exchange(0, std::memory_order_acq_rel);

    auto* newFrame = new CFrame({0, 0, kEditorWidth, kEditorHeight}, parentWindow, this);
    // A parent that is no usable window (destroyed, or no window at all)
    // gets nothing: reporting an open editor nobody can see helps no host.
    // Without a parent the frame works unseen, as tests and tools drive it.
    if (parentWindow && !newFrame->getSystemWindow()) {
        delete newFrame;
        AEffGUIEditor::close();
        return false;
    }
    auto* handle = new CBitmap(kHandleResource);
    auto* background = new CBitmap(kBackgroundResource);
    newFrame->setBackground(background);

    for (int i = 0; i < kNumParameters; ++i) {
        auto* slider = new CHorizontalSlider(sliderRect(i), this, i, kHandleOffset, kHandleRange, handle, nullptr,
                                             {0, 0}, kLeft);
        sliders[i] = slider;
        slider->setWheelStep(kWheelStep);
        slider->setValue(effect->getParameter(i));
        slider->setFreeClick(true);
        newFrame->addView(slider);
    }

    background->dropReference();
    handle->dropReference();
    frame = newFrame;
    return true;
}

void qngui::close() {
    delete frame;
    frame = nullptr;
    AEffGUIEditor::close();
}

void qngui::idle() {
    if (frame) showChangedValues();
    AEffGUIEditor::idle();
}

void qngui::showChangedValues() {
    const std::uint32_t changed = pendingMask.exchange(0, std::memory_order_acquire);
    for (int i = 0; i < kNumParameters; ++i)
        if (changed & (1u << i)) sliders[i]->setValue(pendingValues[i].load(std::memory_order_relaxed));
}

void qngui::setParameter(VstInt32 index, float value) {
    if (static_cast<std::uint32_t>(index) >= kNumParameters) return;
    pendingValues[index].store(value, std::memory_order_relaxed);
    pendingMask.fetch_or(1u << index, std::memory_order_release);
}

void qngui::onValueChanged(CControl* control) {
    const VstInt32 tag = control->getTag();
    if (tag & kNonParameterTags) return;
    effect->setParameter(tag & 0xFF, control->getValue());
}

AEffGUIEditor* createEditor(AudioEffect* effect) { return new qngui(effect); }
