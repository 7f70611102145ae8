#include "vst/AudioEffect.h"

#include <cstdint>
#include <cstring>

#include "vst/AEffEditor.h"

namespace {

AudioEffect* objectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

extern "C" VstIntPtr VSTCALLBACK dispatchEffect(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                void* ptr, float opt) {
    AudioEffect* effect = objectOf(e);
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

extern "C" void VSTCALLBACK processEffect(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    objectOf(e)->process(inputs, outputs, frames);
}

extern "C" void VSTCALLBACK setParameterEffect(AEffect* e, VstInt32 index, float value) {
    objectOf(e)->setParameter(index, value);
}

extern "C" float VSTCALLBACK getParameterEffect(AEffect* e, VstInt32 index) {
    return objectOf(e)->getParameter(index);
}

extern "C" void VSTCALLBACK processReplacingEffect(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    objectOf(e)->processReplacing(inputs, outputs, frames);
}

extern "C" void VSTCALLBACK processDoubleReplacingEffect(AEffect* e, double** inputs, double** outputs,
                                                         VstInt32 frames) {
    objectOf(e)->processDoubleReplacing(inputs, outputs, frames);
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.flags = effFlagsCanReplacing;
    cEffect.magic = kEffectMagic;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.version = 1;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.dispatcher = dispatchEffect;
    cEffect.process = processEffect;
    cEffect.setParameter = setParameterEffect;
    cEffect.getParameter = getParameterEffect;
    cEffect.processReplacing = processReplacingEffect;
    cEffect.processDoubleReplacing = processDoubleReplacingEffect;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

bool AudioEffect::needsPointer(VstInt32 opcode) {
    switch (opcode) {
        case effSetProgramName:
        case effGetProgramName:
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName:
        case effEditGetRect:
        case effGetChunk:
        case effSetChunk:
            return true;
        default:
            return false;
    }
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (ptr == nullptr && needsPointer(opcode)) return 0;
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            // Checked at full width so a value beyond 32 bits cannot truncate into range.
            if (value >= INT32_MIN && value <= INT32_MAX && value < numPrograms)
                setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            setProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetProgramName:
            getProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetParamLabel:
            getParameterLabel(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamDisplay:
            getParameterDisplay(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamName:
            getParameterName(index, static_cast<char*>(ptr));
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize(static_cast<VstInt32>(value));
            return 0;
        case effMainsChanged:
            if (value == 0)
                suspend();
            else
                resume();
            return 0;
        case effEditGetRect:
            return editor && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        case effEditOpen:
            // A host without a window to offer gets no editor, rather than
            // one it is told is open but can never show.
            return editor && ptr && editor->open(ptr) ? 1 : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify:
            return fourCharCode('N', 'v', 'E', 'f');
        case effGetChunk:
            return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk:
            // No size beyond 32 bits is whole: compared at full width, not cut into range.
            if (value < INT32_MIN || value > INT32_MAX) return 0;
            return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default:
            return 0;
    }
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    const auto version = static_cast<VstInt32>(callHost(audioMasterVersion));
    return version == 0 ? 1 : version;
}

VstInt32 AudioEffect::getCurrentUniqueId() { return static_cast<VstInt32>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(VstInt32 input) { return callHost(audioMasterPinConnected, input, 0) == 0; }

bool AudioEffect::isOutputConnected(VstInt32 output) { return callHost(audioMasterPinConnected, output, 1) == 0; }
