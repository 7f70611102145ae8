// What the exported entry points run, whatever the binary format exports
// them as: the host's callback in, the new instance's record (or null) out.
#pragma once

#include "vst/VstInterface.h"

AEffect* pluginMain(audioMasterCallback audioMaster);
