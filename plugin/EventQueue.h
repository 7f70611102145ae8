// Timed key and pedal events waiting for their sample inside the coming blocks.
#pragma once

#include <cstdint>

#include "plugin/KeyEvent.h"

// The queue ordered by frame (equal frames in arrival order) and a stack of
// recycled nodes, so that once the largest burst has been seen nothing is
// allocated on the audio thread.
class EventQueue {
public:
    struct Node {
        KeyEvent event;
        Node* next;
    };

    EventQueue() = default;
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Links the event behind every one due no later. Null when no node could
    // be allocated.
    const Node* schedule(const KeyEvent& event);

    const Node* head() const { return pendingEvents; }
    void recycleHead();
    void advance(std::int32_t frames);

private:
    Node* pendingEvents = nullptr;
    Node* freeEvents = nullptr;
};
