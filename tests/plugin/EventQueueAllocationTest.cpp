// The queue allocates a node only when no recycled one is left, and survives
// a refused allocation.
#include <gtest/gtest.h>

#include "plugin/EventQueue.h"
#include "tests/plugin/CountingAllocator.h"

namespace {

// Schedules count events and counts what that allocated.
long allocationsToSchedule(EventQueue& queue, int count) {
    testalloc::allocations = 0;
    testalloc::counting = true;
    for (int i = 0; i < count; ++i) queue.schedule({(i * 37) % 11 - 3, 0, 0, 0});
    testalloc::counting = false;
    return testalloc::allocations.load();
}

void recycleAll(EventQueue& queue) {
    while (queue.head()) queue.recycleHead();
}

}  // namespace

TEST(EventQueueAllocation, NodesAreMadeOnlyBeyondTheLargestBurstSoFar) {
    EventQueue queue;
    EXPECT_EQ(allocationsToSchedule(queue, 40), 40);
    recycleAll(queue);
    EXPECT_EQ(allocationsToSchedule(queue, 40), 0) << "a burst as large as the last one reuses its nodes";
    recycleAll(queue);
    EXPECT_EQ(allocationsToSchedule(queue, 25), 0);
    EXPECT_EQ(allocationsToSchedule(queue, 20), 5) << "15 recycled nodes were left for 20 events";
    recycleAll(queue);
    EXPECT_EQ(allocationsToSchedule(queue, 45), 0);

    // Partly drained queues hand back exactly the drained nodes.
    for (int i = 0; i < 10; ++i) queue.recycleHead();
    EXPECT_EQ(allocationsToSchedule(queue, 11), 1);
}

TEST(EventQueueAllocation, ARefusedNodeGivesNullAndLeavesTheQueueAsItWas) {
    EventQueue queue;
    queue.schedule({4, 1, 0, 0});
    queue.schedule({9, 2, 0, 0});

    testalloc::refusing = true;
    const EventQueue::Node* refused = queue.schedule({6, 4, 0, 0});
    testalloc::refusing = false;
    EXPECT_EQ(refused, nullptr);

    ASSERT_NE(queue.head(), nullptr);
    EXPECT_EQ(queue.head()->event.key, 1);
    ASSERT_NE(queue.head()->next, nullptr);
    EXPECT_EQ(queue.head()->next->event.key, 2);
    EXPECT_EQ(queue.head()->next->next, nullptr);

    // A recycled node needs no allocation, so it is still given while refusing.
    queue.recycleHead();
    testalloc::refusing = true;
    const EventQueue::Node* recycled = queue.schedule({6, 3, 0, 0});
    testalloc::refusing = false;
    ASSERT_NE(recycled, nullptr);
    EXPECT_EQ(queue.head()->event.key, 3);
    EXPECT_EQ(queue.head()->next->event.key, 2);

    EXPECT_NE(queue.schedule({0, 5, 0, 0}), nullptr) << "allocation works again once memory is back";
}
