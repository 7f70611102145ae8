// A library that looks like a plug-in but must be refused as an instrument:
// built once with a wrong magic number and once without the synth flag.
#include "vst/VstInterface.h"

namespace {

AEffect record;

VstIntPtr dispatch(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }
void processNothing(AEffect*, float**, float**, VstInt32) {}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    record = AEffect{};
    record.magic = FAKE_MAGIC;
    record.dispatcher = dispatch;
    record.numOutputs = 2;
    record.flags = FAKE_FLAGS;
    record.processReplacing = processNothing;
    return &record;
}
