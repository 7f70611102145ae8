#include "plugin/BlockRenderer.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "plugin/BlockJob.h"

namespace {

void runJob(void* job) { runBlockJob(*static_cast<BlockJob*>(job)); }

std::unique_ptr<WorkerPool> makePool(int workers) {
    return workers > 0 ? std::make_unique<WorkerPool>(workers) : std::make_unique<WorkerPool>();
}

// The keys sounding as the block starts and those struck within it.
std::int64_t blockPoints(const KeyModel& keys, const KeyEvent* events, int count) {
    std::int64_t points = 0;
    for (int k = 0; k < kNumKeys; ++k)
        if (keys.active[k] != 0) points += keys.soundingPoints(k);
    for (int i = 0; i < count; ++i)
        if (events[i].on != 0 && events[i].key < kNumKeys && keys.active[events[i].key] == 0)
            points += keys.soundingPoints(events[i].key);
    return points;
}

}  // namespace

BlockRenderer::BlockRenderer(KeyModel& keys, int workers)
    : keys(keys), pool(makePool(workers)), planner(pool->workerCount()) {}

bool BlockRenderer::prepare(std::int32_t frames) {
    // Past kMaxMixFrames pieces cost nothing audible, while a host announcing
    // INT32_MAX would cost gigabytes.
    frames = std::min(frames, kMaxMixFrames);
    std::array<MixBuffer, WorkerPool::kMaxWorkers> fresh;
    for (int w = 0; w < pool->workerCount(); ++w) {
        fresh[w].left.reset(new (std::nothrow) float[frames]);
        fresh[w].right.reset(new (std::nothrow) float[frames]);
        if (!fresh[w].left || !fresh[w].right) return false;
    }
    mixBuffers = std::move(fresh);
    capacity = frames;
    return true;
}

int BlockRenderer::takeEvents(EventQueue& queue, std::int32_t& frames) {
    int count = 0;
    for (const EventQueue::Node* node = queue.head(); node && node->event.frame < frames; node = queue.head()) {
        KeyEvent event = node->event;
        event.frame = std::max(event.frame, 0);
        if (count == kMaxBlockEvents) {
            frames = event.frame;
            break;
        }
        blockEvents[count++] = event;
        queue.recycleHead();
    }
    return count;
}

void BlockRenderer::render(int frames, int eventCount) {
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
}
