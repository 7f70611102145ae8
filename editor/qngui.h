// The instrument's editor: the panel picture and one slider per parameter,
// bound both ways to the plug-in's values.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/ProgramRecord.h"
#include "vst/AEffGUIEditor.h"
#include "vstgui/CControlListener.h"

namespace VSTGUI {
class CHorizontalSlider;
}

class qngui : public AEffGUIEditor, public VSTGUI::CControlListener {
public:
    explicit qngui(AudioEffect* effect);
    ~qngui() override;

    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    // From any thread: the plug-in changed a value by itself. The slider
    // shows it at the next idle.
    void setParameter(VstInt32 index, float value) override;

    void onValueChanged(VSTGUI::CControl* control) override;

private:
    void showChangedValues();

    VSTGUI::CHorizontalSlider* sliders[kNumParameters] = {};
    // Values handed over by setParameter, taken up by the window thread: the
    // sliders themselves are only touched there, so closing the window can
    // never race with a value arriving from the audio thread.
    std::atomic<float> pendingValues[kNumParameters] = {};
    std::atomic<std::uint32_t> pendingMask{0};
};
