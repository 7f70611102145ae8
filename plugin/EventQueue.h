// Timed key and pedal events waiting for their sample inside the coming blocks.
#pragma once

#include <cstdint>

constexpr std::uint8_t kPedalKey = 128;

struct NoteEvent {
    std::int32_t delta;  // frames from the first frame not yet rendered
    std::uint8_t key;    // 0..87, or kPedalKey
    std::uint8_t velocity;
    std::uint8_t on;
    NoteEvent* next;
};

// The queue ordered by delta (equal deltas in arrival order) and a stack of
// recycled nodes, so that once the largest burst has been seen nothing is
// allocated on the audio thread.
class EventQueue {
public:
    EventQueue() = default;
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Links a node with this delta behind every node due no later; the caller
    // fills key, velocity and on. Null when no node could be allocated.
    NoteEvent* scheduleEvent(std::int32_t delta);

    const NoteEvent* head() const { return pendingEvents; }
    void recycleHead();
    void advance(std::int32_t frames);

private:
    NoteEvent* pendingEvents = nullptr;
    NoteEvent* freeEvents = nullptr;
};
