#include "tests/support/ThreadCount.h"

#if defined(_WIN32)
// windows.h first: the tool-help header builds on its types.
#include <windows.h>

#include <tlhelp32.h>
#else
#include <unistd.h>

#include <filesystem>
#include <string>
#endif

#include <thread>

#if defined(_WIN32)

int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    const DWORD process = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == process) ++count;
    CloseHandle(snapshot);
    return count;
}

#else

namespace {

// Sanitizer runtimes start a helper thread of their own with the first thread
// the program creates; start one here so every count already includes it.
void startRuntimeHelpers() {
    static const bool started = [] {
        pid_t tid = 0;
        std::thread([&tid] { tid = gettid(); }).join();
        const std::string task = "/proc/self/task/" + std::to_string(tid);
        while (std::filesystem::exists(task)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }();
    static_cast<void>(started);
}

}  // namespace

int threadCount() {
    startRuntimeHelpers();
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

#endif

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
