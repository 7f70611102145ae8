#include "platform/AutoResetEvent.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <new>

// A single futex word; no kernel object exists until a wait has to block.
struct AutoResetEvent::State {
    static constexpr std::int32_t kSignalled = 0;
    static constexpr std::int32_t kClear = 1;
    static constexpr std::int32_t kClearWithWaiters = 2;

    std::atomic<std::int32_t> word{kClear};
};

namespace {

static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(std::int32_t));

// The word is private to this process, so the cheaper private futex will do.
void futexWait(std::atomic<std::int32_t>* word, std::int32_t expected) {
    syscall(SYS_futex, reinterpret_cast<std::int32_t*>(word), FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void futexWakeOne(std::atomic<std::int32_t>* word) {
    syscall(SYS_futex, reinterpret_cast<std::int32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace

AutoResetEvent::AutoResetEvent() : state(new (std::nothrow) State) {}

AutoResetEvent::~AutoResetEvent() = default;

void AutoResetEvent::set() {
    // The system call is only paid when someone may be asleep on the word.
    if (state->word.exchange(State::kSignalled, std::memory_order_release) == State::kClearWithWaiters) {
        futexWakeOne(&state->word);
    }
}

void AutoResetEvent::wait() {
    std::int32_t seen = State::kSignalled;
    if (state->word.compare_exchange_strong(seen, State::kClear, std::memory_order_acquire,
                                            std::memory_order_relaxed)) {
        return;
    }
    // Having slept, we cannot know whether others still sleep, so the signal is
    // consumed into "clear with waiters": at worst the next set wakes nobody.
    // A wake-up that finds no signal (spurious or stolen) simply sleeps again.
    while (state->word.exchange(State::kClearWithWaiters, std::memory_order_acquire) != State::kSignalled) {
        futexWait(&state->word, State::kClearWithWaiters);
    }
}
