#include "plugin/quenor.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "vst/AEffGUIEditor.h"
#include "vst/EditorFactory.h"

namespace {

constexpr char kEffectName[] = "Quenor-m4";
constexpr char kVendorName[] = "Tavrex";
constexpr VstInt32 kVendorVersion = 100;

bool isValidProgram(VstInt32 program) { return static_cast<std::uint32_t>(program) < kNumPrograms; }
bool isValidParameter(VstInt32 index) { return static_cast<std::uint32_t>(index) < kNumParameters; }

void runJob(void* job) { runBlockJob(*static_cast<BlockJob*>(job)); }

// The keys sounding as the block starts and those struck within it.
std::int64_t blockPoints(const KeyModel& keys, const KeyEvent* events, int count) {
    std::int64_t points = 0;
    for (int k = 0; k < kNumKeys; ++k)
        if (keys.active[k] != 0) points += 2 * (keys.segments[k] - 1);
    for (int i = 0; i < count; ++i)
        if (events[i].on != 0 && events[i].key < kNumKeys && keys.active[events[i].key] == 0)
            points += 2 * (keys.segments[events[i].key] - 1);
    return points;
}

// A loaded name may lack its NUL; never read past the record's 24 bytes.
void copyProgramName(const char* stored, char* out) {
    const std::size_t length = strnlen(stored, kProgramNameSize - 1);
    std::memcpy(out, stored, length);
    out[length] = 0;
}

}  // namespace

quenor::quenor(audioMasterCallback audioMaster) : quenor(audioMaster, 0) {}

quenor::quenor(audioMasterCallback audioMaster, int workers) : AudioEffectX(audioMaster, kNumPrograms, 0) {
    cEffect.numInputs = 0;
    cEffect.numOutputs = 2;
    cEffect.uniqueID = fourCharCode('q', 'n', '-', '4');
    isSynth(true);
    canProcessReplacing(true);
    setSampleRate(44100.0f);
    editor = createEditor(this);
    programsAreChunks(true);

    pool = workers > 0 ? std::make_unique<WorkerPool>(workers) : std::make_unique<WorkerPool>();
    planner = PassPlanner(pool->workerCount());
    if (!keys.prepare()) throw std::bad_alloc();
    // The coefficients follow once the programs are in place.

    std::memcpy(programs, kFactoryPrograms, sizeof programs);
    if (blockSize != 0 && !allocateMixBuffers(blockSize)) throw std::bad_alloc();
    std::atomic_ref<VstInt32>(curProgram).store(0, std::memory_order_relaxed);
    for (int i = 0; i < kNumParameters; ++i) showInEditor(i, programs[0].parameters[i]);

    paramDirty.store(kAllDirty, std::memory_order_relaxed);
    updateCoefficients();
    resume();
}

quenor::~quenor() = default;

bool quenor::allocateMixBuffers(int frames) {
    std::array<MixBuffer, WorkerPool::kMaxWorkers> fresh;
    for (int w = 0; w < pool->workerCount(); ++w) {
        fresh[w].left.reset(new (std::nothrow) float[frames]);
        fresh[w].right.reset(new (std::nothrow) float[frames]);
        if (!fresh[w].left || !fresh[w].right) return false;
    }
    mixBuffers = std::move(fresh);
    mixCapacity = frames;
    return true;
}

void quenor::setBlockSize(VstInt32 size) {
    // Without room for the new size the old buffers stay, and blocks are
    // rendered in pieces that fit them. Past kMaxMixFrames pieces cost
    // nothing audible, while a host announcing INT32_MAX would cost gigabytes.
    if (size > 0) allocateMixBuffers(std::min(size, kMaxMixFrames));
    blockSize = size;
    pool->recheckScheduling();
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
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const int status = static_cast<unsigned char>(midi->midiData[0]) & 0xF0;
        const int d1 = midi->midiData[1] & 0x7F;
        const int d2 = midi->midiData[2] & 0x7F;

        if (status == 0x90 || status == 0x80) {
            const auto key = static_cast<std::uint8_t>(d1 - 21);
            if (key >= kNumKeys) continue;
            events.schedule({midi->deltaFrames, key, static_cast<std::uint8_t>(d2), status == 0x90 && d2 != 0});
        } else if (status == 0xB0) {
            if (d1 == 64) {
                events.schedule({midi->deltaFrames, kPedalKey, 0, d2 != 0});
            } else if (d1 == 7) {
                const float volume = static_cast<float>(d2) * kMidiValueScale;
                storeParameter(currentProgram(), kVolume, volume);
                showInEditor(kVolume, volume);
            } else if (d1 == 123) {
                keys.allNotesOff();
            }
        }
    }
    return 1;
}

void quenor::processReplacing(float**, float** outputs, VstInt32 frames) {
    if (isSuspended()) return;
    float* left = outputs[0];
    float* right = outputs[1];
    updateCoefficients();
    pool->followCallerScheduling(frames);
    for (VstInt32 remaining = frames; remaining > 0;) {
        // A piece never outgrows the mix buffers, whatever the host announced
        // as its block size. It may be empty when a burst of events at one
        // frame overflows blockEvents; the next piece takes the rest.
        VstInt32 n = std::min(remaining, mixCapacity);
        const int eventCount = takeEvents(n);
        renderBlock(left, right, n, eventCount);
        events.advance(n);
        left += n;
        right += n;
        remaining -= n;
    }
}

int quenor::takeEvents(VstInt32& frames) {
    int count = 0;
    for (const EventQueue::Node* node = events.head(); node && node->event.frame < frames; node = events.head()) {
        KeyEvent event = node->event;
        event.frame = std::max(event.frame, 0);
        if (count == kMaxBlockEvents) {
            frames = event.frame;
            break;
        }
        blockEvents[count++] = event;
        events.recycleHead();
    }
    return count;
}

void quenor::renderBlock(float* left, float* right, int frames, int eventCount) {
    const int workers = pool->workerCount();
    const bool pedalDown = keys.pedalHeld != 0;
    BlockJob jobs[WorkerPool::kMaxWorkers];
    for (int w = 0; w < workers; ++w)
        jobs[w] = {{w, workers, &keys, mixBuffers[w].left.get(), mixBuffers[w].right.get(), frames},
                   blockEvents.data(),
                   eventCount,
                   pedalDown};
    // Every key's samples are the same whichever thread renders it, and the
    // buffers and the mix stay per worker: running the jobs here changes no sample.
    for (int w = 0; w < workers; ++w) pool->setJob(w, runJob, &jobs[w]);
    const std::int64_t work = blockPoints(keys, blockEvents.data(), eventCount) * frames;
    const bool pass = planner.worthAPass(work);
    const auto start = std::chrono::steady_clock::now();
    if (pass)
        pool->runAll();
    else
        pool->runAllOnCallingThread();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (pass)
        planner.renderedInAPass(work, seconds);
    else
        planner.renderedAlone(work, seconds);
    keys.pedalHeld = pedalAfter(pedalDown, blockEvents.data(), eventCount) ? 1 : 0;
    mixWorkers(
        mixBuffers.data(), workers, [this] { return loadParameter(currentProgram(), kVolume); }, left, right,
        frames);
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
    pool->recheckScheduling();
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
