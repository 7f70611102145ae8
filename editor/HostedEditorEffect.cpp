#include "editor/HostedEditorEffect.h"

#include <algorithm>
#include <cmath>

#include "vst/AEffGUIEditor.h"
#include "vst/EditorFactory.h"
#include "vstgui/CFrame.h"

HostedEditorEffect::HostedEditorEffect(EditorValueSink& sink, const float (&initial)[kNumParameters])
    // No host callback and no programs of its own: the host holds the values.
    : AudioEffectX(nullptr, 0, kNumParameters), sink(sink) {
    std::copy(std::begin(initial), std::end(initial), values);
    createEditor(this);
}

HostedEditorEffect::~HostedEditorEffect() {
    // A host that closes the editor in the middle of a drag would otherwise
    // keep the parameter grabbed.
    for (int i = 0; i < kNumParameters; ++i)
        if (held & (1u << i)) sink.touch(i, false);
    delete editor;
    setEditor(nullptr);
}

AEffGUIEditor* HostedEditorEffect::guiEditor() const { return static_cast<AEffGUIEditor*>(editor); }

bool HostedEditorEffect::openEditor(void* parent) { return editor && guiEditor()->open(parent); }

void HostedEditorEffect::closeEditor() {
    for (int i = 0; i < kNumParameters; ++i)
        if (held & (1u << i)) endEdit(i);
    if (editor && guiEditor()->getFrame()) guiEditor()->close();
}

void* HostedEditorEffect::editorWindow() const {
    const VSTGUI::CFrame* frame = editor ? guiEditor()->getFrame() : nullptr;
    return frame ? frame->getSystemWindow() : nullptr;
}

void HostedEditorEffect::editorSize(int& width, int& height) const {
    ERect* rect = nullptr;
    guiEditor()->getRect(&rect);
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
}

bool HostedEditorEffect::editorUsable() const {
    const VSTGUI::CFrame* frame = editor ? guiEditor()->getFrame() : nullptr;
    return frame && frame->isOpen();
}

void HostedEditorEffect::idleEditor() {
    if (editor) guiEditor()->idle();
}

void HostedEditorEffect::valueChanged(int index, float value) {
    // The handle shows what the plug-in plays: a value out of range as the
    // nearest end, a non-finite one not at all.
    if (!isParameter(index) || !std::isfinite(value)) return;
    values[index] = std::clamp(value, 0.0f, 1.0f);
    // While the user holds the slider the host leaves the value alone; what
    // still comes back is its echo of an older write, which would only pull
    // the handle away from the pointer.
    if (!(held & (1u << index)) && editor) guiEditor()->setParameter(index, values[index]);
}

void HostedEditorEffect::setParameter(VstInt32 index, float value) {
    if (!isParameter(index)) return;
    values[index] = value;
    sink.writeValue(index, value);
}

float HostedEditorEffect::getParameter(VstInt32 index) { return isParameter(index) ? values[index] : 0.0f; }

bool HostedEditorEffect::beginEdit(VstInt32 index) {
    if (!isParameter(index)) return false;
    held |= 1u << index;
    sink.touch(index, true);
    return true;
}

bool HostedEditorEffect::endEdit(VstInt32 index) {
    if (!isParameter(index)) return false;
    held &= ~(1u << index);
    sink.touch(index, false);
    return true;
}
