#include "plugin/WorkerPool.h"

#include <algorithm>

#include "platform/ProcessorCount.h"

WorkerPool::WorkerPool() : WorkerPool(processorCount()) {}

WorkerPool::WorkerPool(std::int32_t requestedWorkers) : count(std::clamp(requestedWorkers, 1, kMaxWorkers)) {
    if (count == 1) {
        return;
    }
    for (std::int32_t w = 0; w < count; ++w) {
        WorkerSlot& slot = slots[w];
        slot.running = true;
        slot.jobFunction = nullptr;
        if (!slot.go.isValid() || !slot.done.isValid() || !slot.thread.start(workerMain, &slot)) {
            // A worker that never started would hang every pass: keep the
            // ones that did, or render inline if fewer than two did.
            slot.running = false;
            if (w == 1) {
                stopWorker(slots[0]);
            }
            count = w >= 2 ? w : 1;
            return;
        }
    }
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::setJob(std::int32_t index, WorkerJob function, void* argument) {
    slots[index].jobFunction = function;
    slots[index].jobArgument = argument;
}

void WorkerPool::runAll() {
    // Without threads there is no done to wait for: run the one job here
    // rather than wait forever.
    if (count == 1) {
        if (slots[0].jobFunction != nullptr) {
            slots[0].jobFunction(slots[0].jobArgument);
        }
        return;
    }
    for (std::int32_t w = 0; w < count; ++w) {
        slots[w].go.set();
    }
    for (std::int32_t w = 0; w < count; ++w) {
        slots[w].done.wait();
    }
}

void WorkerPool::shutdown() {
    if (count <= 1) {
        return;
    }
    for (std::int32_t w = 0; w < count; ++w) {
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
        if (slot->jobFunction != nullptr) {
            slot->jobFunction(slot->jobArgument);
        }
        running = slot->running;
        slot->done.set();
    }
}
