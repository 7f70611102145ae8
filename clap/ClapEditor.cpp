#include "clap/ClapEditor.h"

#include <cstdint>
#include <cstring>

#ifdef _WIN32
const char* const ClapEditor::kApi = CLAP_WINDOW_API_WIN32;
#else
const char* const ClapEditor::kApi = CLAP_WINDOW_API_X11;
#endif

namespace {

constexpr std::uint32_t kIdlePeriodMs = 30;

void* nativeParent(const clap_window_t& window) {
#ifdef _WIN32
    return window.win32;
#else
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11));
#endif
}

}  // namespace

bool ClapEditor::supports(const char* api, bool floating) { return api && !floating && std::strcmp(api, kApi) == 0; }

bool ClapEditor::create(const char* api, bool floating) {
    if (!supports(api, floating)) return false;
    if (effect) return true;
    for (int i = 0; i < kNumParameters; ++i) shown[i] = owner.playedValue(i);
    try {
        effect = std::make_unique<HostedEditorEffect>(*this, shown);
    } catch (...) {
        return false;
    }
    const ClapHost& host = owner.host();
    timerRunning = host.timers && host.timers->register_timer &&
                   host.timers->register_timer(host.host, kIdlePeriodMs, &timer);
    return true;
}

void ClapEditor::destroy() {
    if (!effect) return;
    const ClapHost& host = owner.host();
    if (timerRunning && host.timers->unregister_timer) host.timers->unregister_timer(host.host, timer);
    timerRunning = false;
    effect.reset();
    parent = nullptr;
    hidden = parentLost = false;
}

bool ClapEditor::size(std::uint32_t& width, std::uint32_t& height) const {
    if (!effect) return false;
    int w = 0, h = 0;
    effect->editorSize(w, h);
    width = static_cast<std::uint32_t>(w);
    height = static_cast<std::uint32_t>(h);
    return true;
}

bool ClapEditor::setParent(const clap_window_t* window) {
    if (!effect || !window || !window->api || std::strcmp(window->api, kApi) != 0) return false;
    effect->closeEditor();
    parent = nativeParent(*window);
    parentLost = false;
    return place();
}

bool ClapEditor::show() {
    if (!effect) return false;
    hidden = false;
    return place();
}

bool ClapEditor::hide() {
    if (!effect) return false;
    hidden = true;
    effect->closeEditor();
    return true;
}

bool ClapEditor::place() {
    if (!parent || hidden) return true;
    if (effect->editorWindow()) return true;
    for (int i = 0; i < kNumParameters; ++i) effect->valueChanged(i, shown[i]);
    return effect->openEditor(parent);
}

void ClapEditor::onTimer(clap_id id) {
    if (!effect || !timerRunning || id != timer) return;
    for (int i = 0; i < kNumParameters; ++i) {
        const float now = owner.playedValue(i);
        if (now != shown[i]) effect->valueChanged(i, shown[i] = now);
    }
    effect->idleEditor();
    // A host that destroyed the parent first learns that the editor is gone.
    if (parent && !hidden && !parentLost && !effect->editorUsable()) {
        parentLost = true;
        const ClapHost& host = owner.host();
        if (host.gui && host.gui->closed) host.gui->closed(host.host, true);
    }
}

void ClapEditor::writeValue(int index, float value) {
    owner.edit({EditorEdit::change, static_cast<std::uint8_t>(index), value});
}

void ClapEditor::touch(int index, bool grabbed) {
    owner.edit({grabbed ? EditorEdit::begin : EditorEdit::end, static_cast<std::uint8_t>(index), 0.0f});
}
