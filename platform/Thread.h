// A thread of the system's own kind, started on a plain function.
#pragma once

#include <memory>

#include "platform/ThreadScheduling.h"

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
    // Asks the system to run the started thread as urgently as `scheduling`
    // says; false when it refuses (no permission), and the thread runs on as it
    // did.
    bool adoptScheduling(const ThreadScheduling& scheduling);
    bool isRunning() const { return state != nullptr; }

private:
    struct State;
    std::unique_ptr<State> state;
};

}  // namespace platform
