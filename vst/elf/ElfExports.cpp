// The module's entry point for ELF hosts, exported as VSTPluginMain and, for
// hosts that look for the older name, as main: one function under two names.
// exports.map keeps every other symbol local.
#include "vst/VstPluginMain.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return pluginMain(audioMaster);
}

extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect* vstMainAlias(
    audioMasterCallback audioMaster) __asm__("main");
