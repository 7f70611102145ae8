#include "plugin/WorkerPool.h"

#include <algorithm>

#include "platform/ProcessorCount.h"

WorkerPool::WorkerPool() : WorkerPool(processorCount()) {}

WorkerPool::WorkerPool(std::int32_t requestedWorkers) : count(std::clamp(requestedWorkers, 1, kMaxWorkers)) {
    for (std::int32_t w = 1; w < count; ++w) {
        WorkerSlot& slot = slots[w];
        slot.running = true;
        slot.jobFunction = nullptr;
        if (!slot.go.isValid() || !slot.done.isValid() || !slot.thread.start(workerMain, &slot)) {
            // A worker that never started would hang every pass: keep the
            // ones that did; with none, the caller alone renders.
            slot.running = false;
            count = w;
            return;
        }
    }
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::setJob(std::int32_t index, WorkerJob function, void* argument) {
    slots[index].jobFunction = function;
    slots[index].jobArgument = argument;
}

namespace {

void runJobOf(const WorkerSlot& slot) {
    if (slot.jobFunction != nullptr) slot.jobFunction(slot.jobArgument);
}

}  // namespace

void WorkerPool::runAll() {
    if (count == 0) return;
    for (std::int32_t w = 1; w < count; ++w) {
        slots[w].go.set();
    }
    runJobOf(slots[0]);
    for (std::int32_t w = 1; w < count; ++w) {
        slots[w].done.wait();
    }
}

void WorkerPool::runAllOnCallingThread() {
    for (std::int32_t w = 0; w < count; ++w) {
        runJobOf(slots[w]);
    }
}

void WorkerPool::followCallerScheduling(std::int32_t frames) {
    if (count <= 1) return;
    if (frames > 0) framesSinceSchedulingCheck += frames;
    const std::uintptr_t caller = platform::callingThreadIdentity();
    if (caller == followedThread && framesSinceSchedulingCheck < kFramesBetweenSchedulingChecks &&
        !schedulingRecheckDue.load(std::memory_order_relaxed)) {
        return;
    }
    schedulingRecheckDue.store(false, std::memory_order_relaxed);
    followedThread = caller;
    framesSinceSchedulingCheck = 0;
    const platform::ThreadScheduling scheduling = platform::callingThreadScheduling();
    if (givenScheduling == scheduling) return;
    for (std::int32_t w = 1; w < count; ++w) {
        slots[w].thread.adoptScheduling(scheduling);
    }
    // Remembered even when refused, so that a refusal is not asked again every second.
    givenScheduling = scheduling;
}

void WorkerPool::shutdown() {
    if (count <= 1) return;
    slots[0].jobFunction = nullptr;
    for (std::int32_t w = 1; w < count; ++w) {
        stopWorker(slots[w]);
    }
    count = 0;
}

// The worker wakes, runs nothing, reports done and leaves its loop; joining it
// keeps the slot alive until the thread has really finished with it.
void WorkerPool::stopWorker(WorkerSlot& slot) {
    slot.running = false;
    slot.jobFunction = nullptr;
    slot.go.set();
    slot.done.wait();
    slot.thread.join();
}

void WorkerPool::workerMain(void* argument) {
    auto* slot = static_cast<WorkerSlot*>(argument);
    // The flag is only read between go and done, while the owner waits. A read
    // before the first go could see a shutdown that began before this thread
    // ran and leave without ever setting done; a read after done would race
    // with the next shutdown. It is true at creation, so the first wait needs
    // no test.
    bool running = true;
    while (running) {
        slot->go.wait();
        runJobOf(*slot);
        running = slot->running;
        slot->done.set();
    }
}
