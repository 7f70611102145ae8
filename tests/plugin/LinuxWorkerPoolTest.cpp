// The worker pool where Linux alone lets a test set it up: a real-time
// caller, and a narrower affinity mask that the processor count follows.
#include <gtest/gtest.h>
#include <pthread.h>

#include <thread>

#include "plugin/WorkerPool.h"
#include "tests/plugin/ThreadProbe.h"
#include "tests/support/AffinityRestriction.h"
#include "tests/support/ThreadCount.h"

namespace {

// A real-time caller: on a helper thread, so that the test's own thread keeps
// its scheduling.
TEST(WorkerPool, WorkersFollowTheCallersSchedulingWhenItIsRead) {
    const auto setCaller = [](int policy, int priority) {
        sched_param parameters{};
        parameters.sched_priority = priority;
        return pthread_setschedparam(pthread_self(), policy, &parameters) == 0;
    };
    bool permitted = true;
    ThreadProbe afterFirst, beforeRecheck, afterRecheck, afterASecond, fromAnotherThread;
    WorkerPool pool(2);
    ThreadProbe ignored;
    const auto runWith = [&pool, &ignored](ThreadProbe& probe, int frames) {
        pool.followCallerScheduling(frames);
        pool.setJob(0, probeThread, &ignored);
        pool.setJob(1, probeThread, &probe);
        pool.runAll();
    };
    std::thread caller([&] {
        runWith(afterFirst, 64);
        if (!setCaller(SCHED_FIFO, 5)) {
            permitted = false;
            return;
        }
        runWith(beforeRecheck, 64);
        pool.recheckScheduling();
        runWith(afterRecheck, 64);
        setCaller(SCHED_FIFO, 7);
        runWith(afterASecond, 44100);
        setCaller(SCHED_OTHER, 0);
    });
    caller.join();
    EXPECT_EQ(afterFirst.scheduling, (platform::ThreadScheduling{SCHED_OTHER, 0}));
    if (!permitted) GTEST_SKIP() << "no permission for real-time scheduling";
    // Not read on every block: the change waits for a reason to look.
    EXPECT_EQ(beforeRecheck.scheduling, (platform::ThreadScheduling{SCHED_OTHER, 0}));
    EXPECT_EQ(afterRecheck.scheduling, (platform::ThreadScheduling{SCHED_FIFO, 5}));
    EXPECT_EQ(afterASecond.scheduling, (platform::ThreadScheduling{SCHED_FIFO, 7}));

    // Another calling thread (this one, alive all along, so its identity
    // cannot be the ended helper's) is looked at at once.
    runWith(fromAnotherThread, 64);
    EXPECT_EQ(fromAnotherThread.scheduling, platform::callingThreadScheduling());
}

TEST(WorkerPool, OneAllowedProcessorGivesAThreadlessPool) {
    testhost::AffinityRestriction restriction;
    restriction.limitTo({restriction.allowed().front()});
    const int before = threadCount();
    WorkerPool pool;
    EXPECT_EQ(pool.workerCount(), 1);
    EXPECT_EQ(threadCount(), before);
}

}  // namespace
