#include "plugin/quenor.h"

#include <cstring>

#include "editor/qngui.h"

namespace {

constexpr char kEffectName[] = "Quenor-m4";
constexpr char kVendorName[] = "Tavrex";
constexpr VstInt32 kVendorVersion = 100;

bool isValidProgram(VstInt32 program) { return static_cast<std::uint32_t>(program) < kNumPrograms; }
bool isValidParameter(VstInt32 index) { return static_cast<std::uint32_t>(index) < kNumParameters; }

// A loaded name may lack its NUL; never read past the record's 24 bytes.
void copyProgramName(const char* stored, char* out) {
    const std::size_t length = strnlen(stored, kProgramNameSize - 1);
    std::memcpy(out, stored, length);
    out[length] = 0;
}

}  // namespace

quenor::quenor(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, 0) {
    cEffect.numInputs = 0;
    cEffect.numOutputs = 2;
    cEffect.uniqueID = fourCharCode('q', 'n', '-', '4');
    isSynth(true);
    canProcessReplacing(true);
    setSampleRate(44100.0f);
    editor = new qngui(this);
    programsAreChunks(true);

    std::memcpy(programs, kFactoryPrograms, sizeof programs);
    std::atomic_ref<VstInt32>(curProgram).store(0, std::memory_order_relaxed);
    for (int i = 0; i < kNumParameters; ++i) showInEditor(i, programs[0].parameters[i]);

    paramDirty.store(kAllDirty, std::memory_order_relaxed);
    resume();
}

quenor::~quenor() = default;

float quenor::loadParameter(int program, int index) const {
    return std::atomic_ref<float>(const_cast<float&>(programs[program].parameters[index]))
        .load(std::memory_order_relaxed);
}

void quenor::storeParameter(int program, int index, float value) {
    std::atomic_ref<float>(programs[program].parameters[index]).store(value, std::memory_order_relaxed);
}

// The editor is always a qngui, made in the constructor.
void quenor::showInEditor(int index, float value) {
    if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

int quenor::currentProgram() const {
    return std::atomic_ref<VstInt32>(const_cast<VstInt32&>(curProgram)).load(std::memory_order_relaxed);
}

void quenor::suspend() { suspended.store(true, std::memory_order_relaxed); }

void quenor::resume() {
    suspended.store(false, std::memory_order_relaxed);
    wantEvents(1);
}

void quenor::setParameter(VstInt32 index, float value) {
    if (!isValidParameter(index)) return;
    storeParameter(currentProgram(), index, value);
    paramDirty.fetch_or(2u << index, std::memory_order_release);
}

float quenor::getParameter(VstInt32 index) {
    return isValidParameter(index) ? loadParameter(currentProgram(), index) : 0.0f;
}

void quenor::setProgram(VstInt32 program) {
    if (!isValidProgram(program)) return;
    std::atomic_ref<VstInt32>(curProgram).store(program, std::memory_order_relaxed);
    for (int i = 0; i < kNumParameters; ++i) showInEditor(i, loadParameter(program, i));
    paramDirty.store(kAllDirty, std::memory_order_release);
}

void quenor::setProgramName(char* name) {
    char* stored = programs[currentProgram()].name;
    std::strncpy(stored, name, kProgramNameSize - 1);
    stored[kProgramNameSize - 1] = 0;
}

void quenor::getProgramName(char* name) { copyProgramName(programs[currentProgram()].name, name); }

VstInt32 quenor::getChunk(void** data, bool isPreset) {
    if (isPreset) {
        *data = &programs[currentProgram()];
        return sizeof(ProgramRecord);
    }
    *data = programs;
    return sizeof programs;
}

VstInt32 quenor::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    const int first = isPreset ? currentProgram() : 0;
    const int count = isPreset ? 1 : kNumPrograms;
    if (byteSize != static_cast<VstInt32>(count * sizeof(ProgramRecord))) return 0;
    const auto* records = static_cast<const ProgramRecord*>(data);
    for (int i = 0; i < count; ++i) {
        ProgramRecord record;
        std::memcpy(&record, &records[i], sizeof record);
        for (int p = 0; p < kNumParameters; ++p) storeParameter(first + i, p, record.parameters[p]);
        std::memcpy(programs[first + i].name, record.name, kProgramNameSize);
    }
    setProgram(currentProgram());
    return byteSize;
}

bool quenor::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (!isValidProgram(index)) return false;
    copyProgramName(programs[index].name, text);
    return true;
}

bool quenor::getEffectName(char* name) {
    std::memcpy(name, kEffectName, sizeof kEffectName);
    return true;
}

bool quenor::getVendorString(char* text) {
    std::memcpy(text, kVendorName, sizeof kVendorName);
    return true;
}

bool quenor::getProductString(char* text) {
    std::memcpy(text, kEffectName, sizeof kEffectName);
    return true;
}

VstInt32 quenor::getVendorVersion() { return kVendorVersion; }

VstInt32 quenor::canDo(char* text) {
    static const char* const kAnswers[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"};
    for (const char* answer : kAnswers)
        if (std::strcmp(text, answer) == 0) return 1;
    return 0;
}

VstInt32 quenor::getPlugCategory() { return kPlugCategSynth; }

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new quenor(audioMaster); }
