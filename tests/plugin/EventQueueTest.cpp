// The event queue on its own: order, the countdown of deltas and recycling.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "plugin/EventQueue.h"

namespace {

using Entry = std::pair<int, int>;  // delta, arrival number

// A queue whose events carry their arrival number in the key field.
struct NumberedQueue {
    EventQueue queue;
    std::uint8_t arrivals = 0;

    void schedule(const std::vector<int>& deltas) {
        for (int delta : deltas) ASSERT_NE(queue.schedule({delta, arrivals++, 0, 0}), nullptr);
    }
    std::vector<Entry> pending() const {
        std::vector<Entry> entries;
        for (const EventQueue::Node* node = queue.head(); node; node = node->next)
            entries.push_back({node->event.frame, node->event.key});
        return entries;
    }
};

std::size_t pendingCount(const EventQueue& queue) {
    std::size_t count = 0;
    for (const EventQueue::Node* node = queue.head(); node; node = node->next) ++count;
    return count;
}

}  // namespace

TEST(EventQueue, OrdersByDeltaAndKeepsArrivalOrderAmongEqualDeltas) {
    NumberedQueue q;
    EXPECT_EQ(q.queue.head(), nullptr);
    q.schedule({5, 0, 5, 3, 0, 7, 5, 3});
    EXPECT_EQ(q.pending(), (std::vector<Entry>{{0, 1}, {0, 4}, {3, 3}, {3, 7}, {5, 0}, {5, 2}, {5, 6}, {7, 5}}));
}

TEST(EventQueue, NegativeDeltasComeFirstInTheirOwnOrder) {
    NumberedQueue q;
    q.schedule({0, -5, 2, -5, -10, 0});
    EXPECT_EQ(q.pending(), (std::vector<Entry>{{-10, 4}, {-5, 1}, {-5, 3}, {0, 0}, {0, 5}, {2, 2}}));
}

TEST(EventQueue, AdvanceCountsEveryPendingDeltaDownAndLaterEventsQueueBehindEqualOnes) {
    NumberedQueue q;
    q.schedule({600, 10, 256});
    q.queue.advance(256);
    EXPECT_EQ(q.pending(), (std::vector<Entry>{{-246, 1}, {0, 2}, {344, 0}}));
    // Due now, like the one that reached 0 by counting down, but arrived later.
    q.schedule({0, 344});
    EXPECT_EQ(q.pending(), (std::vector<Entry>{{-246, 1}, {0, 2}, {0, 3}, {344, 0}, {344, 4}}));
    q.queue.advance(-4);
    EXPECT_EQ(q.pending(), (std::vector<Entry>{{-242, 1}, {4, 2}, {4, 3}, {348, 0}, {348, 4}}));
}

TEST(EventQueue, RecycledNodesLeaveThePendingListAndAreTakenBackNewestFirst) {
    EventQueue queue;
    std::vector<const EventQueue::Node*> nodes;
    for (int frame : {3, 1, 2}) nodes.push_back(queue.schedule({frame, 0, 0, 0}));
    queue.recycleHead();  // delta 1
    ASSERT_NE(queue.head(), nullptr);
    EXPECT_EQ(queue.head()->event.frame, 2);
    queue.recycleHead();  // delta 2
    EXPECT_EQ(queue.head()->event.frame, 3);
    EXPECT_EQ(queue.head()->next, nullptr) << "a recycled node must not stay linked";
    queue.advance(3);
    EXPECT_EQ(queue.head()->event.frame, 0);

    // The free list is a stack: the last node recycled is the first reused.
    const EventQueue::Node* reused = queue.schedule({9, 0, 0, 0});
    EXPECT_EQ(reused, nodes[2]);
    EXPECT_EQ(reused->next, nullptr);
    EXPECT_EQ(queue.schedule({-1, 0, 0, 0}), nodes[1]);
    EXPECT_EQ(pendingCount(queue), 3u);
    EXPECT_EQ(queue.head()->event.frame, -1);
    EXPECT_EQ(queue.head()->next->event.frame, 0);
    EXPECT_EQ(queue.head()->next->next->event.frame, 9);
}
