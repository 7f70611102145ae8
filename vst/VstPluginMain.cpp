#include "vst/VstPluginMain.h"

#include "vst/AudioEffect.h"

AEffect* pluginMain(audioMasterCallback audioMaster) {
    if (audioMaster == nullptr) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}
