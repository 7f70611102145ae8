#include "platform/ThreadScheduling.h"

#include <gtest/gtest.h>
#include <sched.h>

#include "platform/AutoResetEvent.h"
#include "platform/Thread.h"

namespace {

// A started thread that reports its own scheduling each time it is asked.
struct Reporter {
    AutoResetEvent ask;
    AutoResetEvent answered;
    platform::ThreadScheduling seen;
    bool stop = false;

    static void run(void* argument) {
        auto* self = static_cast<Reporter*>(argument);
        for (;;) {
            self->ask.wait();
            if (self->stop) break;
            self->seen = platform::callingThreadScheduling();
            self->answered.set();
        }
        self->answered.set();
    }
    platform::ThreadScheduling query() {
        ask.set();
        answered.wait();
        return seen;
    }
    void finish(platform::Thread& thread) {
        stop = true;
        ask.set();
        answered.wait();
        thread.join();
    }
};

TEST(ThreadScheduling, AStartedThreadTakesTheSchedulingItIsGiven) {
    Reporter reporter;
    platform::Thread thread;
    ASSERT_TRUE(thread.start(Reporter::run, &reporter));
    EXPECT_EQ(reporter.query(), platform::callingThreadScheduling());

    const platform::ThreadScheduling realTime{SCHED_FIFO, 3};
    if (thread.adoptScheduling(realTime)) {
        EXPECT_EQ(reporter.query(), realTime);
    }
    const platform::ThreadScheduling before = reporter.query();
    // A refusal changes nothing.
    EXPECT_FALSE(thread.adoptScheduling({SCHED_FIFO, 10000}));
    EXPECT_EQ(reporter.query(), before);
    EXPECT_TRUE(thread.adoptScheduling({SCHED_OTHER, 0}));
    EXPECT_EQ(reporter.query(), (platform::ThreadScheduling{SCHED_OTHER, 0}));
    reporter.finish(thread);
}

TEST(ThreadScheduling, AThreadNeverStartedRefuses) {
    platform::Thread thread;
    EXPECT_FALSE(thread.adoptScheduling({SCHED_OTHER, 0}));
}

}  // namespace
