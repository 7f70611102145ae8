// The instrument the host talks to: programs, parameters, chunks and identity,
// and the owner of the key model, the event queue, the block renderer and the editor.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/KeyModel.h"
#include "plugin/BlockRenderer.h"
#include "plugin/EventQueue.h"
#include "plugin/ProgramRecord.h"
#include "vst/AudioEffectX.h"

class quenor : public AudioEffectX {
public:
    // The host thread that loads the instance, before any other call.
    explicit quenor(audioMasterCallback audioMaster);
    // As above; tests pick the number of render workers, the host's instance has one per processor.
    quenor(audioMasterCallback audioMaster, int workers);
    // The host thread that closes the instance, after every other call has returned.
    ~quenor() override;

    // Any thread: a single atomic flag.
    void suspend() override;
    // Any thread: a single atomic flag, then the host is asked for MIDI.
    void resume() override;
    // A host control thread, never while a block renders: it replaces the mix buffers.
    void setBlockSize(VstInt32 size) override;
    // Audio thread, never during processReplacing.
    VstInt32 processEvents(VstEvents* events) override;
    // Audio thread, never during processEvents.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;

    // Any thread, the editor's window thread included: one store and an atomic dirty bit.
    void setParameter(VstInt32 index, float value) override;
    // Any thread.
    float getParameter(VstInt32 index) override;
    // Any thread: the audio thread picks the new values up at its next block.
    void setProgram(VstInt32 program) override;
    // Any host thread; a rename is not guarded against a concurrent name request.
    void setProgramName(char* name) override;
    // Any host thread.
    void getProgramName(char* name) override;
    // Any host thread; the data stays live and may change while the host copies it.
    VstInt32 getChunk(void** data, bool isPreset) override;
    // Any host thread: a block rendered meanwhile may mix old and new values.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    // Any host thread.
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // Any thread: a fixed answer.
    bool getEffectName(char* name) override;
    // Any thread: a fixed answer.
    bool getVendorString(char* text) override;
    // Any thread: a fixed answer.
    bool getProductString(char* text) override;
    // Any thread: a fixed answer.
    VstInt32 getVendorVersion() override;
    // Any thread: a fixed answer.
    VstInt32 canDo(char* text) override;
    // Any thread: a fixed answer.
    VstInt32 getPlugCategory() override;

    // For tests, benchmarks and fuzzing:
    // Any thread.
    std::uint32_t pendingDirtyBits() const { return paramDirty.load(std::memory_order_relaxed); }
    // Any thread.
    bool isSuspended() const { return suspended.load(std::memory_order_relaxed); }
    // Audio thread, or any thread while no block renders: the workers write the key state.
    const KeyModel& keyModel() const { return keys; }
    // Any thread: fixed at construction.
    int workerCount() const { return renderer.workerCount(); }

private:
    // Parameter values and the current program cross threads as single 32-bit
    // stores; atomic_ref keeps them plain data for the chunk layout.
    float loadParameter(int program, int index) const;
    void storeParameter(int program, int index, float value);
    int currentProgram() const;
    // Moves the editor's slider for a value the plug-in changed by itself.
    void showInEditor(int index, float value);

    void updateCoefficients();
    // Moves the queued events due within the next frames into the renderer's
    // block and answers their count; shortens frames when they do not all fit.
    int takeEvents(VstInt32& frames);
    // The taken events and the keys through the renderer, mixed at the current Volume.
    void renderBlock(float* left, float* right, int frames, int eventCount);

    std::atomic<std::uint32_t> paramDirty{0};
    ProgramRecord programs[kNumPrograms];
    std::atomic<bool> suspended{true};
    KeyModel keys;
    EventQueue events;
    BlockRenderer renderer;
};
