#include "vst/AEffGUIEditor.h"

#include <atomic>
#include <chrono>

#include "platform/EditorThread.h"
#include "vst/AudioEffectX.h"
#include "vstgui/CFrame.h"

namespace {

std::atomic<VstInt32> knobMode{0};

// Milliseconds on a monotonic clock, wrapping like a 32-bit tick count.
std::uint32_t tickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

AudioEffectX* extendedEffect(AudioEffect* effect) { return dynamic_cast<AudioEffectX*>(effect); }

}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect), nextIdleTicks(tickCount()) {
    if (effect) effect->setEditor(this);
    platform::enterEditorThread();
}

AEffGUIEditor::~AEffGUIEditor() { platform::leaveEditorThread(); }

bool AEffGUIEditor::getRect(ERect** out) {
    *out = &rect;
    return true;
}

void AEffGUIEditor::idle() {
    if (!inIdle && frame) openFrame()->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) { return frame && openFrame()->onKeyDown(key) > 0; }

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) { return frame && openFrame()->onKeyUp(key) > 0; }

EditorFrame* AEffGUIEditor::openFrame() const { return frame; }

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode.store(mode, std::memory_order_relaxed);
    return true;
}

VstInt32 AEffGUIEditor::getKnobMode() const { return knobMode.load(std::memory_order_relaxed); }

void AEffGUIEditor::doIdleStuff() {
    std::uint32_t now = tickCount();
    if (now < nextIdleTicks) {
        platform::pauseEditorThread(4);
        now += 4;
        if (now < nextIdleTicks - 50) return;
    }
    idle();
    platform::dispatchOnePendingPaint();
    nextIdleTicks = now + 100;
    inIdle = true;
    if (effect) effect->masterIdle();
    inIdle = false;
}

void AEffGUIEditor::beginEdit(VstInt32 index) {
    if (AudioEffectX* plugin = extendedEffect(effect)) plugin->beginEdit(index);
}

void AEffGUIEditor::endEdit(VstInt32 index) {
    if (AudioEffectX* plugin = extendedEffect(effect)) plugin->endEdit(index);
}
