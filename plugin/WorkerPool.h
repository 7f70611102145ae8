// The render threads: a fixed set of workers that each run one job per pass,
// started and awaited through a pair of one-shot events per worker.
#pragma once

#include <cstdint>

#include "platform/AutoResetEvent.h"
#include "platform/Thread.h"

using WorkerJob = void (*)(void*);

struct WorkerSlot {
    WorkerJob jobFunction = nullptr;
    void* jobArgument = nullptr;
    platform::Thread thread;
    AutoResetEvent go;
    AutoResetEvent done;
    bool running = false;
};

class WorkerPool {
public:
    static constexpr std::int32_t kMaxWorkers = 16;

    // One worker per processor this process may use.
    WorkerPool();
    // The worker count is clamped to 1..kMaxWorkers. One worker means no
    // threads at all: the owner renders on its own thread.
    explicit WorkerPool(std::int32_t requestedWorkers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Between passes only; index is not checked.
    void setJob(std::int32_t index, WorkerJob function, void* argument);
    // Starts every worker, then returns once each has run its job. A pool of
    // one runs its job on the caller's thread; a shut-down pool runs nothing.
    void runAll();
    // Ends and joins every thread; the count is 0 afterwards.
    void shutdown();

    std::int32_t workerCount() const { return count; }
    const WorkerSlot& slot(std::int32_t index) const { return slots[index]; }

private:
    static void workerMain(void* slot);
    void stopWorker(WorkerSlot& slot);

    WorkerSlot slots[kMaxWorkers];
    std::int32_t count = 0;
};
