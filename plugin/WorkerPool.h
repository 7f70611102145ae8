// The render threads: a fixed set of workers that each run one job per pass,
// started and awaited through a pair of one-shot events per worker. Worker 0
// is the calling thread itself: it is awake already, so it runs job 0 while
// the others run theirs, and only workers 1 and up have threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "platform/AutoResetEvent.h"
#include "platform/Thread.h"
#include "platform/ThreadScheduling.h"

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
    // Starts workers 1 and up, runs job 0, then returns once each worker has
    // run its job. A pool of one only runs job 0; a shut-down pool runs nothing.
    void runAll();
    // Every job on the calling thread, in worker order: for work too light to
    // pay for waking a thread.
    void runAllOnCallingThread();
    // Ends and joins every thread; the count is 0 afterwards.
    void shutdown();

    // The calling thread, once per block of `frames`: gives the workers its
    // scheduling (a real-time host thread makes real-time workers). Reading
    // the caller's scheduling costs system calls, so it is read at the first
    // call, whenever another thread calls (an ended thread's identity may be
    // reused, but hosts resume after starting a new audio thread), after
    // recheckScheduling, and otherwise once a second of audio; the workers are
    // changed only when it differs from what they were last given. A refusal
    // leaves them as they are.
    void followCallerScheduling(std::int32_t frames);
    // Any thread: the next followCallerScheduling reads the caller's
    // scheduling (a host may raise its thread around resume or a new block size).
    void recheckScheduling() { schedulingRecheckDue.store(true, std::memory_order_relaxed); }

    std::int32_t workerCount() const { return count; }
    const WorkerSlot& slot(std::int32_t index) const { return slots[index]; }

private:
    static void workerMain(void* slot);
    void stopWorker(WorkerSlot& slot);

    static constexpr std::int32_t kFramesBetweenSchedulingChecks = 44100;

    WorkerSlot slots[kMaxWorkers];
    std::int32_t count = 0;
    std::atomic<bool> schedulingRecheckDue{true};
    std::uintptr_t followedThread = 0;
    std::int64_t framesSinceSchedulingCheck = 0;
    std::optional<platform::ThreadScheduling> givenScheduling;
};
