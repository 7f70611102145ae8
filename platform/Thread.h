// A thread of the system's own kind, started on a plain function.
#pragma once

#include <memory>

namespace platform {

class Thread {
public:
    using Entry = void (*)(void* argument);

    Thread();
    // The thread must have been joined (or never started).
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // False when the system refuses a new thread; nothing runs then.
    bool start(Entry entry, void* argument);
    // Waits until the started thread has returned.
    void join();
    bool isRunning() const { return state != nullptr; }

private:
    struct State;
    std::unique_ptr<State> state;
};

}  // namespace platform
