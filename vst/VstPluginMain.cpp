// The library's entry point, exported as VSTPluginMain and, for hosts that
// look for the older name, as main.
#include <new>

#include "vst/AudioEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    if (audioMaster == nullptr) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect* vstMainAlias(
    audioMasterCallback audioMaster) __asm__("main");
