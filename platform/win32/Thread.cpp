#include "platform/Thread.h"

#include <windows.h>

#include <new>

namespace platform {

struct Thread::State {
    HANDLE handle;
    Entry entry;
    void* argument;

    static DWORD WINAPI run(void* state) {
        auto* self = static_cast<State*>(state);
        self->entry(self->argument);
        return 0;
    }
};

Thread::Thread() = default;

Thread::~Thread() = default;

bool Thread::start(Entry entry, void* argument) {
    std::unique_ptr<State> fresh(new (std::nothrow) State{nullptr, entry, argument});
    if (!fresh) return false;
    fresh->handle = CreateThread(nullptr, 0, State::run, fresh.get(), 0, nullptr);
    if (fresh->handle == nullptr) return false;
    state = std::move(fresh);
    return true;
}

void Thread::join() {
    if (!state) return;
    WaitForSingleObject(state->handle, INFINITE);
    CloseHandle(state->handle);
    state.reset();
}

}  // namespace platform
