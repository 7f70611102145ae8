// A fixed ring of MIDI messages from one producer thread to one consumer
// (the audio thread): no allocation, no lock. When full, new messages are
// dropped.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct QueuedMidi {
    std::uint32_t arrival = 0;  // the audio server's frame clock when it came in
    std::uint8_t bytes[3] = {0, 0, 0};
};

class MidiQueue {
public:
    bool push(const QueuedMidi& message) {
        const std::uint32_t tail = writeIndex.load(std::memory_order_relaxed);
        if (tail - readIndex.load(std::memory_order_acquire) == kCapacity) return false;
        slots[tail % kCapacity] = message;
        writeIndex.store(tail + 1, std::memory_order_release);
        return true;
    }

    bool pop(QueuedMidi& message) {
        const std::uint32_t head = readIndex.load(std::memory_order_relaxed);
        if (head == writeIndex.load(std::memory_order_acquire)) return false;
        message = slots[head % kCapacity];
        readIndex.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    static constexpr std::uint32_t kCapacity = 1024;
    std::array<QueuedMidi, kCapacity> slots{};
    std::atomic<std::uint32_t> writeIndex{0};
    std::atomic<std::uint32_t> readIndex{0};
};
