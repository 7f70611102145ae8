// The instrument the host talks to: programs, parameters, chunks and identity,
// and the owner of the key model, the event queue, the render pool and the editor.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/KeyModel.h"
#include "plugin/EventQueue.h"
#include "plugin/OutputMix.h"
#include "plugin/ProgramRecord.h"
#include "plugin/WorkerPool.h"
#include "vst/AudioEffectX.h"

class quenor : public AudioEffectX {
public:
    explicit quenor(audioMasterCallback audioMaster);
    // Tests pick the number of render workers; the host's instance uses one per processor.
    quenor(audioMasterCallback audioMaster, int workers);
    ~quenor() override;

    void suspend() override;
    void resume() override;
    void setBlockSize(VstInt32 size) override;
    VstInt32 processEvents(VstEvents* events) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;
    VstInt32 getPlugCategory() override;

    // The most frames a mix buffer holds, whatever block size is announced.
    static constexpr VstInt32 kMaxMixFrames = 1 << 16;

    // Bit i + 1 per changed parameter; all ones asks for a full recomputation.
    static constexpr std::uint32_t kAllDirty = 0xFFFFFFFFu;
    std::uint32_t pendingDirtyBits() const { return paramDirty.load(std::memory_order_relaxed); }
    bool isSuspended() const { return suspended.load(std::memory_order_relaxed); }
    const KeyModel& keyModel() const { return keys; }
    int workerCount() const { return pool->workerCount(); }

private:
    // Parameter values and the current program cross threads as single 32-bit
    // stores; atomic_ref keeps them plain data for the chunk layout.
    float loadParameter(int program, int index) const;
    void storeParameter(int program, int index, float value);
    int currentProgram() const;
    // Moves the editor's slider for a value the plug-in changed by itself.
    void showInEditor(int index, float value);

    void updateCoefficients();
    void applyEvent(const NoteEvent& event);
    void renderBlock(float* left, float* right, int frames);
    bool allocateMixBuffers(int frames);

    std::atomic<std::uint32_t> paramDirty{0};
    ProgramRecord programs[kNumPrograms];
    std::atomic<bool> suspended{true};
    KeyModel keys;
    std::array<MixBuffer, WorkerPool::kMaxWorkers> mixBuffers;
    int mixCapacity = 0;  // frames each mix buffer holds
    EventQueue events;
    std::unique_ptr<WorkerPool> pool;
};
