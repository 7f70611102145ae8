// A kernel auto-reset event: a set releases exactly one wait.
#include "platform/AutoResetEvent.h"

#include <windows.h>

#include <new>

struct AutoResetEvent::State {
    HANDLE handle;
};

AutoResetEvent::AutoResetEvent() {
    HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (handle == nullptr) return;
    state.reset(new (std::nothrow) State{handle});
    if (!state) CloseHandle(handle);
}

AutoResetEvent::~AutoResetEvent() {
    if (state) CloseHandle(state->handle);
}

void AutoResetEvent::set() { SetEvent(state->handle); }

void AutoResetEvent::wait() { WaitForSingleObject(state->handle, INFINITE); }
