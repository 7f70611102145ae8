#include "platform/AutoResetEvent.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

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

void AutoResetEvent::set() {
    // The system call is only paid when someone may be asleep on the word.
    if (state.exchange(kSignalled, std::memory_order_release) == kClearWithWaiters) {
        futexWakeOne(&state);
    }
}

void AutoResetEvent::wait() {
    std::int32_t seen = kSignalled;
    if (state.compare_exchange_strong(seen, kClear, std::memory_order_acquire, std::memory_order_relaxed)) {
        return;
    }
    // Having slept, we cannot know whether others still sleep, so the signal is
    // consumed into "clear with waiters": at worst the next set wakes nobody.
    // A wake-up that finds no signal (spurious or stolen) simply sleeps again.
    while (state.exchange(kClearWithWaiters, std::memory_order_acquire) != kSignalled) {
        futexWait(&state, kClearWithWaiters);
    }
}
