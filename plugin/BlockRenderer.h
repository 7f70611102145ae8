// The audio path below the host's interface: a block's events and keys
// rendered by the worker pool, one job per worker, in a pass or on the calling
// thread as the planner judges faster, then the workers' sums mixed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/KeyModel.h"
#include "plugin/EventQueue.h"
#include "plugin/KeyEvent.h"
#include "plugin/OutputMix.h"
#include "plugin/PassPlanner.h"
#include "plugin/WorkerPool.h"

class BlockRenderer {
public:
    // The most frames a mix buffer holds, whatever block size is announced.
    static constexpr std::int32_t kMaxMixFrames = 1 << 16;
    // Events of one block; a block with more is rendered in pieces.
    static constexpr int kMaxBlockEvents = 1024;

    // workers of 0 or less: one per processor. The workers render into keys.
    BlockRenderer(KeyModel& keys, int workers);

    // A host control thread, never while a block renders: mix buffers for
    // blocks of up to frames (at most kMaxMixFrames). False when they could
    // not be allocated; the old ones stay.
    bool prepare(std::int32_t frames);
    // Frames each mix buffer holds.
    std::int32_t mixCapacity() const { return capacity; }

    // The audio thread, piece by piece: takeEvents, render, mix.
    // Moves the queued events due within the next frames into the block and
    // answers their count; shortens frames when they do not all fit.
    int takeEvents(EventQueue& queue, std::int32_t& frames);
    // The keys through the block's events into the mix buffers.
    void render(int frames, int eventCount);
    // The rendered block into the host's buffers; volume() is asked once per frame.
    template <class VolumeSource>
    void mix(float* left, float* right, int frames, VolumeSource volume) const {
        mixWorkers(mixBuffers.data(), pool->workerCount(), volume, left, right, frames);
    }

    // See WorkerPool.
    void followCallerScheduling(std::int32_t frames) { pool->followCallerScheduling(frames); }
    void recheckScheduling() { pool->recheckScheduling(); }
    int workerCount() const { return pool->workerCount(); }

private:
    KeyModel& keys;
    std::array<MixBuffer, WorkerPool::kMaxWorkers> mixBuffers;
    std::int32_t capacity = 0;
    std::array<KeyEvent, kMaxBlockEvents> blockEvents;
    // Last, so that its threads end before anything they were given goes.
    std::unique_ptr<WorkerPool> pool;
    PassPlanner planner;
};
