// A wake-up signal between two threads: a set releases exactly one wait and is
// consumed by it; sets with nobody consuming in between count once. Waiting
// blocks in the kernel with no time-out and never spins.
#pragma once

#include <memory>

class AutoResetEvent {
public:
    AutoResetEvent();
    ~AutoResetEvent();
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    // False when the system could not provide the event; set and wait must
    // not be called then.
    bool isValid() const { return state != nullptr; }

    // Everything the setter wrote before set() is visible to the thread whose
    // wait() consumes the signal.
    void set();
    void wait();

private:
    // Whatever the system's event needs; made once, at construction.
    struct State;
    std::unique_ptr<State> state;
};
