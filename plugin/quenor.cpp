#include "plugin/quenor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "plugin/MidiVocabulary.h"
#include "vst/AEffGUIEditor.h"
#include "vst/EditorFactory.h"

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

quenor::quenor(audioMasterCallback audioMaster) : quenor(audioMaster, 0) {}

quenor::quenor(audioMasterCallback audioMaster, int workers)
    : AudioEffectX(audioMaster, kNumPrograms, 0), renderer(keys, workers) {
    cEffect.numInputs = 0;
    cEffect.numOutputs = 2;
    cEffect.uniqueID = fourCharCode('q', 'n', '-', '4');
    isSynth(true);
    canProcessReplacing(true);
    setSampleRate(44100.0f);
    editor = createEditor(this);
    programsAreChunks(true);

    if (!keys.prepare()) throw std::bad_alloc();
    // The coefficients follow once the programs are in place.

    std::memcpy(programs, kFactoryPrograms, sizeof programs);
    if (blockSize != 0 && !renderer.prepare(blockSize)) throw std::bad_alloc();
    std::atomic_ref<VstInt32>(curProgram).store(0, std::memory_order_relaxed);
    for (int i = 0; i < kNumParameters; ++i) showInEditor(i, programs[0].parameters[i]);

    paramDirty.store(kAllDirty, std::memory_order_relaxed);
    updateCoefficients();
    resume();
}

quenor::~quenor() = default;

void quenor::setBlockSize(VstInt32 size) {
    // Without room for the new size the old buffers stay, and blocks are
    // rendered in pieces that fit them.
    if (size > 0) renderer.prepare(size);
    blockSize = size;
    renderer.recheckScheduling();
}

void quenor::updateCoefficients() {
    const std::uint32_t dirty = paramDirty.exchange(0, std::memory_order_acquire);
    if (dirty == 0) return;
    const int program = currentProgram();
    keys.updateCoefficients(dirty, loadParameter(program, kMetalPlastic), loadParameter(program, kSustain),
                            loadParameter(program, kDamper));
}

VstInt32 quenor::processEvents(VstEvents* list) {
    if (!list) return 1;
    // The list declares two entries and holds numEvents: index a plain pointer.
    VstEvent* const* entries = list->events;
    for (VstInt32 i = 0; i < list->numEvents; ++i) {
        const VstEvent* event = entries[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* message = reinterpret_cast<const VstMidiEvent*>(event);
        const int status = midi::statusKind(static_cast<unsigned char>(message->midiData[0]));
        const int d1 = message->midiData[1] & 0x7F;
        const int d2 = message->midiData[2] & 0x7F;

        if (status == midi::kNoteOn || status == midi::kNoteOff) {
            if (!midi::isPianoNote(d1)) continue;
            const auto key = static_cast<std::uint8_t>(midi::keyOfNote(d1));
            const bool on = status == midi::kNoteOn && d2 != 0;
            events.schedule({message->deltaFrames, key, static_cast<std::uint8_t>(d2), on});
        } else if (status == midi::kControlChange) {
            if (d1 == midi::kSustainPedal) {
                events.schedule({message->deltaFrames, kPedalKey, 0, d2 != 0});
            } else if (d1 == midi::kVolume) {
                const float volume = static_cast<float>(d2) * kMidiValueScale;
                storeParameter(currentProgram(), kVolume, volume);
                showInEditor(kVolume, volume);
            } else if (d1 == midi::kAllNotesOff) {
                keys.allNotesOff();
            }
        }
    }
    return 1;
}

void quenor::processReplacing(float**, float** outputs, VstInt32 frames) {
    if (suspended.load(std::memory_order_relaxed)) return;
    float* left = outputs[0];
    float* right = outputs[1];
    updateCoefficients();
    renderer.followCallerScheduling(frames);
    for (VstInt32 remaining = frames; remaining > 0;) {
        // A piece never outgrows the mix buffers, whatever the host announced
        // as its block size. It may be empty when a burst of events at one
        // frame overflows the renderer's block; the next piece takes the rest.
        VstInt32 n = std::min(remaining, renderer.mixCapacity());
        const int eventCount = takeEvents(n);
        renderBlock(left, right, n, eventCount);
        events.advance(n);
        left += n;
        right += n;
        remaining -= n;
    }
}

int quenor::takeEvents(VstInt32& frames) { return renderer.takeEvents(events, frames); }

void quenor::renderBlock(float* left, float* right, int frames, int eventCount) {
    renderer.render(frames, eventCount);
    renderer.mix(left, right, frames, [this] { return loadParameter(currentProgram(), kVolume); });
}

float quenor::loadParameter(int program, int index) const {
    return std::atomic_ref<float>(const_cast<float&>(programs[program].parameters[index]))
        .load(std::memory_order_relaxed);
}

void quenor::storeParameter(int program, int index, float value) {
    std::atomic_ref<float>(programs[program].parameters[index]).store(value, std::memory_order_relaxed);
}

// The editor, if any, is the one createEditor made in the constructor.
void quenor::showInEditor(int index, float value) {
    if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

int quenor::currentProgram() const {
    return std::atomic_ref<VstInt32>(const_cast<VstInt32&>(curProgram)).load(std::memory_order_relaxed);
}

void quenor::suspend() { suspended.store(true, std::memory_order_relaxed); }

void quenor::resume() {
    suspended.store(false, std::memory_order_relaxed);
    renderer.recheckScheduling();
    wantEvents(1);
}

void quenor::setParameter(VstInt32 index, float value) {
    if (!isValidParameter(index)) return;
    storeParameter(currentProgram(), index, value);
    paramDirty.fetch_or(dirtyBit(index), std::memory_order_release);
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
