#include "plugin/WorkerPool.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ProcessorCount.h"
#include "platform/ThreadScheduling.h"
#include "tests/plugin/ThreadProbe.h"
#include "tests/support/ThreadCount.h"

namespace {

// What one job sees and leaves behind; plain fields, ordered only by the pool.
struct CountingJob {
    const int* currentPass;
    int runs = 0;
    int lastPassSeen = -1;
};

void countRun(void* argument) {
    auto* job = static_cast<CountingJob*>(argument);
    ++job->runs;
    job->lastPassSeen = *job->currentPass;
}

TEST(WorkerPool, WorkerCountIsClamped) {
    EXPECT_EQ(WorkerPool(0).workerCount(), 1);
    EXPECT_EQ(WorkerPool(-5).workerCount(), 1);
    EXPECT_EQ(WorkerPool(17).workerCount(), 16);
    EXPECT_EQ(WorkerPool().workerCount(), std::clamp(processorCount(), 1, 16));
}

TEST(WorkerPool, OneWorkerStartsNoThreadAndRunsItsJobInline) {
    const int before = threadCount();
    WorkerPool pool(1);
    EXPECT_EQ(pool.workerCount(), 1);
    EXPECT_EQ(threadCount(), before);

    int currentPass = 3;
    CountingJob job{&currentPass};
    pool.setJob(0, countRun, &job);
    pool.runAll();
    EXPECT_EQ(job.runs, 1);
    EXPECT_EQ(job.lastPassSeen, 3);

    pool.shutdown();
    EXPECT_EQ(pool.workerCount(), 1);
}

class WorkerPoolSizes : public testing::TestWithParam<int> {};

TEST_P(WorkerPoolSizes, EveryJobRunsOncePerPassAndSeesTheCallersData) {
    const int workers = GetParam();
    const int before = threadCount();
    WorkerPool pool(workers);
    ASSERT_EQ(pool.workerCount(), workers);
    // The caller is worker 0.
    EXPECT_EQ(threadCount(), before + workers - 1);

    int currentPass = 0;
    CountingJob jobs[WorkerPool::kMaxWorkers];
    for (int w = 0; w < workers; ++w) {
        jobs[w].currentPass = &currentPass;
        pool.setJob(w, countRun, &jobs[w]);
    }
    constexpr int kPasses = 2000;
    for (int pass = 0; pass < kPasses; ++pass) {
        currentPass = pass;
        pool.runAll();
        for (int w = 0; w < workers; ++w) {
            ASSERT_EQ(jobs[w].runs, pass + 1) << "worker " << w;
            ASSERT_EQ(jobs[w].lastPassSeen, pass) << "worker " << w;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, WorkerPoolSizes, testing::Values(2, 3, 5, 16));

TEST(WorkerPool, CallerRunsJobZeroAndEachWorkerItsOwn) {
    WorkerPool pool(3);
    ThreadProbe probes[3];
    for (int w = 0; w < 3; ++w) pool.setJob(w, probeThread, &probes[w]);
    const std::uintptr_t caller = platform::callingThreadIdentity();

    pool.runAll();
    EXPECT_EQ(probes[0].thread, caller);
    EXPECT_NE(probes[1].thread, caller);
    EXPECT_NE(probes[2].thread, caller);
    EXPECT_NE(probes[1].thread, probes[2].thread);

    pool.runAllOnCallingThread();
    for (int w = 0; w < 3; ++w) EXPECT_EQ(probes[w].thread, caller) << "worker " << w;
}

TEST(WorkerPool, WorkerWithoutJobStillCompletesThePass) {
    WorkerPool pool(3);
    int currentPass = 7;
    CountingJob job{&currentPass};
    pool.setJob(1, countRun, &job);
    pool.runAll();
    pool.runAll();
    EXPECT_EQ(job.runs, 2);
}

TEST(WorkerPool, ShutdownEndsEveryThreadWithoutRunningAJob) {
    const int before = threadCount();
    WorkerPool pool(4);
    int currentPass = 0;
    CountingJob jobs[4];
    for (int w = 0; w < 4; ++w) {
        jobs[w].currentPass = &currentPass;
        pool.setJob(w, countRun, &jobs[w]);
    }
    pool.runAll();

    pool.shutdown();
    EXPECT_EQ(pool.workerCount(), 0);
    EXPECT_TRUE(threadCountSettlesAt(before));
    for (int w = 0; w < 4; ++w) {
        EXPECT_EQ(jobs[w].runs, 1) << "worker " << w;
        EXPECT_FALSE(pool.slot(w).running);
        EXPECT_EQ(pool.slot(w).jobFunction, nullptr);
        EXPECT_FALSE(pool.slot(w).thread.isRunning());
    }
    pool.runAll();
    EXPECT_EQ(jobs[0].runs, 1);
}

// Destruction ends every thread, even when it begins before a freshly created
// worker has run at all.
TEST(WorkerPool, DestructionRightAfterConstructionEndsTheThreads) {
    const int before = threadCount();
    for (int i = 0; i < 50; ++i) {
        WorkerPool pool(16);
    }
    EXPECT_TRUE(threadCountSettlesAt(before));
}

}  // namespace
