// The module's entry point for Windows hosts. quenor-m4.def exports it as
// VSTPluginMain and, for hosts that look for the older name, as main.
#include "vst/VstPluginMain.h"

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) { return pluginMain(audioMaster); }
