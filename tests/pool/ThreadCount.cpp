#include "tests/pool/ThreadCount.h"

#include <filesystem>
#include <thread>

int threadCount() {
    // A sanitizer runtime starts a helper thread along with the process's
    // first thread; let that happen before anything is counted.
    static const bool runtimeThreadsStarted = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)runtimeThreadsStarted;
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

bool threadCountSettlesAt(int expected, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (threadCount() != expected) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
