#include "lv2/ui/ControlPortEffect.h"

#include <algorithm>
#include <cmath>

#include "lv2/Lv2Ports.h"
#include "vst/AEffGUIEditor.h"
#include "vst/EditorFactory.h"
#include "vstgui/CFrame.h"

ControlPortEffect::ControlPortEffect(LV2UI_Write_Function write, LV2UI_Controller controller,
                                     const LV2UI_Touch* hostTouch)
    // No host callback and no programs of its own: the host holds the presets.
    : AudioEffectX(nullptr, 0, kNumParameters), write(write), controller(controller) {
    if (hostTouch) touch = *hostTouch;
    // What the plug-in starts with, until the host tells otherwise.
    std::copy(std::begin(kFactoryPrograms[0].parameters), std::end(kFactoryPrograms[0].parameters), values);
    createEditor(this);
}

ControlPortEffect::~ControlPortEffect() {
    // A host that closes the UI in the middle of a drag would otherwise
    // keep the port grabbed.
    for (int i = 0; i < kNumParameters; ++i)
        if (held & (1u << i)) touchPort(i, false);
    delete editor;
    setEditor(nullptr);
}

AEffGUIEditor* ControlPortEffect::guiEditor() const { return static_cast<AEffGUIEditor*>(editor); }

bool ControlPortEffect::openEditor(void* parent) { return editor && guiEditor()->open(parent); }

void* ControlPortEffect::editorWindow() const {
    const VSTGUI::CFrame* frame = editor ? guiEditor()->getFrame() : nullptr;
    return frame ? frame->getSystemWindow() : nullptr;
}

void ControlPortEffect::editorSize(int& width, int& height) const {
    ERect* rect = nullptr;
    guiEditor()->getRect(&rect);
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
}

bool ControlPortEffect::editorUsable() const {
    const VSTGUI::CFrame* frame = editor ? guiEditor()->getFrame() : nullptr;
    return frame && frame->isOpen();
}

void ControlPortEffect::idleEditor() {
    if (editor) guiEditor()->idle();
}

void ControlPortEffect::portChanged(std::uint32_t port, float value) {
    // The handle shows what the plug-in plays: a value out of range as the
    // nearest end, a non-finite one not at all.
    if (!lv2port::isControlPort(port) || !std::isfinite(value)) return;
    const int index = lv2port::parameterOf(port);
    values[index] = std::clamp(value, 0.0f, 1.0f);
    value = values[index];
    // While the user holds the slider the host leaves the port alone; what
    // still comes back is its echo of an older write, which would only pull
    // the handle away from the pointer.
    if (!(held & (1u << index)) && editor) guiEditor()->setParameter(index, value);
}

void ControlPortEffect::setParameter(VstInt32 index, float value) {
    if (!isParameter(index)) return;
    values[index] = value;
    write(controller, lv2port::controlPort(index), sizeof value, 0, &value);
}

float ControlPortEffect::getParameter(VstInt32 index) { return isParameter(index) ? values[index] : 0.0f; }

bool ControlPortEffect::beginEdit(VstInt32 index) {
    if (!isParameter(index)) return false;
    held |= 1u << index;
    touchPort(index, true);
    return true;
}

bool ControlPortEffect::endEdit(VstInt32 index) {
    if (!isParameter(index)) return false;
    held &= ~(1u << index);
    touchPort(index, false);
    return true;
}

void ControlPortEffect::touchPort(VstInt32 index, bool grabbed) {
    if (touch.touch) touch.touch(touch.handle, lv2port::controlPort(index), grabbed);
}
