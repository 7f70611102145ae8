#include "tests/support/ProcessProbe.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>
#else
#include <dlfcn.h>
#include <malloc.h>

#include <filesystem>
#endif

#if defined(_WIN32)

// Every handle value that names an open object, probed one by one: not
// every system (Wine, for one) reports the process's handle count.
int openHandleCount() {
    constexpr std::uintptr_t kHighestProbed = 0x10000;
    int count = 0;
    for (std::uintptr_t value = 4; value <= kHighestProbed; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

long long heapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    long long total = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heap);
    }
    return total;
}

bool moduleIsLoaded(const char* path) {
    const std::string name(path);
    const std::size_t slash = name.find_last_of("/\\");
    return GetModuleHandleA(name.substr(slash == std::string::npos ? 0 : slash + 1).c_str()) != nullptr;
}

int handlesKeptPerLoadByTheToolchain() {
#if defined(_WIN64)
    return 0;
#else
    // A known fault of the 32-bit toolchain, not of the module: any DLL with
    // C++ exceptions that it builds (an empty one with one try block shows
    // it) registers its unwind tables at load through its own copy of the
    // thread library, which gives the loading thread a record, a thread and
    // an event handle, that no unload closes.
    return 2;
#endif
}

std::shared_ptr<void> holdHostsOwnLibraries() { return nullptr; }

#else

int openHandleCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

long long heapBytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

bool moduleIsLoaded(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (!handle) return false;
    dlclose(handle);
    return true;
}

int handlesKeptPerLoadByTheToolchain() { return 0; }

std::shared_ptr<void> holdHostsOwnLibraries() {
    return {dlopen("libcairo.so.2", RTLD_NOW), [](void* library) {
                if (library) dlclose(library);
            }};
}

#endif
