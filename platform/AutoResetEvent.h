// A wake-up signal between two threads: a set releases exactly one wait and is
// consumed by it; sets with nobody consuming in between count once. Waiting
// blocks in the kernel with no time-out and never spins.
#pragma once

#include <atomic>
#include <cstdint>

class AutoResetEvent {
public:
    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    // Everything the setter wrote before set() is visible to the thread whose
    // wait() consumes the signal.
    void set();
    void wait();

private:
    // A single futex word; no kernel object exists until a wait has to block.
    static constexpr std::int32_t kSignalled = 0;
    static constexpr std::int32_t kClear = 1;
    static constexpr std::int32_t kClearWithWaiters = 2;

    std::atomic<std::int32_t> state{kClear};
};
