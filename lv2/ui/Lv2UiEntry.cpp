// The editor as an LV2 X11 UI, embedded in the host's parent window and
// driven by the host's idle calls. It reaches the plug-in only through the
// host: control ports written and notified, gestures told through the touch
// feature. exports.map keeps every symbol but lv2ui_descriptor local.
#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>
#include <new>

#include "editor/HostedEditorEffect.h"
#include "lv2/Lv2Ports.h"
#include "plugin/ProgramRecord.h"

namespace {

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

// The editor's values are the host's control ports.
class ControlPortUi final : public EditorValueSink {
public:
    ControlPortUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* hostTouch)
        // What the plug-in starts with, until the host tells otherwise.
        : write(write), controller(controller), effect(*this, kFactoryPrograms[0].parameters) {
        if (hostTouch) portTouch = *hostTouch;
    }

    void writeValue(int index, float value) override {
        write(controller, lv2port::controlPort(index), sizeof value, 0, &value);
    }
    void touch(int index, bool grabbed) override {
        if (portTouch.touch) portTouch.touch(portTouch.handle, lv2port::controlPort(index), grabbed);
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    // A copy: the host's feature need not outlive instantiation.
    LV2UI_Touch portTouch{};
    // Last: it tells the host of a drag cut short while the rest still stands.
    HostedEditorEffect effect;
};

ControlPortUi* uiOf(LV2UI_Handle handle) { return static_cast<ControlPortUi*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    // Its ports are this plug-in's; and embedded is the only way it shows.
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (!pluginUri || std::strcmp(pluginUri, lv2port::kPluginUri) != 0 || !write || !widget || !parent)
        return nullptr;
    const auto* touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    try {
        auto ui = std::make_unique<ControlPortUi>(write, controller, touch);
        if (!ui->effect.openEditor(parent)) return nullptr;
        *widget = ui->effect.editorWindow();
        if (resize && resize->ui_resize) {
            int width = 0, height = 0;
            ui->effect.editorSize(width, height);
            resize->ui_resize(resize->handle, width, height);
        }
        return ui.release();
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) { delete uiOf(handle); }

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer) {
    if (format != 0 || size != sizeof(float) || !buffer || !lv2port::isControlPort(port)) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    uiOf(handle)->effect.valueChanged(lv2port::parameterOf(port), value);
}

// Input, repaints and the host's values all reach the editor here; nonzero
// tells the host the window is gone.
int idle(LV2UI_Handle handle) {
    HostedEditorEffect& effect = uiOf(handle)->effect;
    effect.idleEditor();
    return effect.editorUsable() ? 0 : 1;
}

const LV2UI_Idle_Interface kIdleInterface{idle};

const void* extensionData(const char* uri) {
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor{lv2port::kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
