#include "vst/AudioEffectX.h"

#include "vst/AEffEditor.h"

namespace {

bool isTrue(VstIntPtr answer) { return answer != 0; }

// opt truncated to a signed 32-bit integer, low 8 bits. A NaN or a value
// beyond 32 bits has no such integer (converting it is undefined): none set.
unsigned char modifierBits(float opt) {
    if (!(opt > -2147483648.0f && opt < 2147483648.0f)) return 0;
    return static_cast<unsigned char>(static_cast<VstInt32>(opt) & 0xFF);
}

}  // namespace

bool AudioEffectX::needsPointerX(VstInt32 opcode) {
    switch (opcode) {
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
    case effCanDo:
    case effGetSpeakerArrangement:
    case effShellGetNextPlugin:
        return true;
    default:
        return false;
    }
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (ptr == nullptr && needsPointerX(opcode)) return 0;
    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return canParameterBeAutomated(index);
    case effString2Parameter:
        return string2parameter(index, static_cast<char*>(ptr));
    case effGetProgramNameIndexed:
        return getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr));
    case effGetInputProperties:
        return getInputProperties(index, static_cast<VstPinProperties*>(ptr));
    case effGetOutputProperties:
        return getOutputProperties(index, static_cast<VstPinProperties*>(ptr));
    case effGetPlugCategory:
        return getPlugCategory();
    case effOfflineNotify:
        return offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value), index != 0);
    case effOfflinePrepare:
        return offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value));
    case effOfflineRun:
        return offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value));
    case effProcessVarIo:
        return processVariableIo(static_cast<VstVariableIo*>(ptr));
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr));
    case effSetBypass:
        return setBypass(value != 0);
    case effGetEffectName:
        return getEffectName(static_cast<char*>(ptr));
    case effGetVendorString:
        return getVendorString(static_cast<char*>(ptr));
    case effGetProductString:
        return getProductString(static_cast<char*>(ptr));
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return canDo(static_cast<char*>(ptr));
    case effGetTailSize:
        return getGetTailSize();
    case effGetParameterProperties:
        return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr));
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (!editor) return 0;
        VstKeyCode key{index, static_cast<unsigned char>(value & 0xFF), modifierBits(opt)};
        return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode:
        return editor ? editor->setKnobMode(static_cast<VstInt32>(value)) : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index);
    case effGetMidiKeyName:
        return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr));
    case effBeginSetProgram:
        return beginSetProgram();
    case effEndSetProgram:
        return endSetProgram();
    case effGetSpeakerArrangement:
        return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                     static_cast<VstSpeakerArrangement**>(ptr));
    case effShellGetNextPlugin:
        return getNextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw:
        return setPanLaw(static_cast<VstInt32>(value), opt);
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
        return setProcessPrecision(static_cast<VstInt32>(value));
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input) *input = nullptr;
    *output = nullptr;
    return false;
}

VstInt32 AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::beginEdit(VstInt32 index) { return isTrue(callHost(audioMasterBeginEdit, index)); }
bool AudioEffectX::endEdit(VstInt32 index) { return isTrue(callHost(audioMasterEndEdit, index)); }
bool AudioEffectX::ioChanged() { return isTrue(callHost(audioMasterIOChanged)); }
bool AudioEffectX::needIdle() { return isTrue(callHost(audioMasterNeedIdle)); }

float AudioEffectX::updateSampleRate() {
    const VstIntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0) sampleRate = static_cast<float>(answer);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    const VstIntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0) blockSize = static_cast<VstInt32>(answer);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetInputLatency)); }
VstInt32 AudioEffectX::getOutputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency)); }

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}

VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::getHostVendorString(char* text) { return isTrue(callHost(audioMasterGetVendorString, 0, 0, text)); }
bool AudioEffectX::getHostProductString(char* text) {
    return isTrue(callHost(audioMasterGetProductString, 0, 0, text));
}
VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}
VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}
bool AudioEffectX::canHostDo(char* text) { return isTrue(callHost(audioMasterCanDo, 0, 0, text)); }
VstInt32 AudioEffectX::getHostLanguage() { return static_cast<VstInt32>(callHost(audioMasterGetLanguage)); }
void* AudioEffectX::getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }

bool AudioEffectX::updateDisplay() { return isTrue(callHost(audioMasterUpdateDisplay)); }
bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return isTrue(callHost(audioMasterSizeWindow, width, height));
}
bool AudioEffectX::openFileSelector(VstFileSelect* selector) {
    return selector && isTrue(callHost(audioMasterOpenFileSelector, 0, 0, selector));
}
bool AudioEffectX::closeFileSelector(VstFileSelect* selector) {
    return selector && isTrue(callHost(audioMasterCloseFileSelector, 0, 0, selector));
}

bool AudioEffectX::offlineRead(VstOfflineTask* task, VstInt32 option, bool readSource) {
    return isTrue(callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task));
}
bool AudioEffectX::offlineWrite(VstOfflineTask* task, VstInt32 option) {
    return isTrue(callHost(audioMasterOfflineWrite, 0, option, task));
}
bool AudioEffectX::offlineStart(VstAudioFile* files, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return isTrue(callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files));
}
bool AudioEffectX::offlineGetCurrentPass() { return isTrue(callHost(audioMasterOfflineGetCurrentPass)); }
bool AudioEffectX::offlineGetCurrentMetaPass() { return isTrue(callHost(audioMasterOfflineGetCurrentMetaPass)); }

void AudioEffectX::wantEvents(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter); }

VstInt32 AudioEffectX::tempoAt(VstInt32 pos) { return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos)); }
VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}
VstInt32 AudioEffectX::getParameterQuantization() {
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}
AEffect* AudioEffectX::getPreviousPlug(VstInt32) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}
AEffect* AudioEffectX::getNextPlug(VstInt32) { return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug)); }
VstInt32 AudioEffectX::willProcessReplacing() {
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}
void AudioEffectX::setOutputSamplerate(float rate) { callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate); }
VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}
VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}
void* AudioEffectX::openWindow(void* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}
bool AudioEffectX::closeWindow(void* window) { return isTrue(callHost(audioMasterCloseWindow, 0, 0, window)); }
bool AudioEffectX::getChunkFile(void* path) {
    return path && isTrue(callHost(audioMasterGetChunkFile, 0, 0, path));
}
