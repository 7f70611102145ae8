#include "platform/Thread.h"

#include <pthread.h>

#include <new>

namespace platform {

struct Thread::State {
    pthread_t handle;
    Entry entry;
    void* argument;

    static void* run(void* state) {
        auto* self = static_cast<State*>(state);
        self->entry(self->argument);
        return nullptr;
    }
};

Thread::Thread() = default;

Thread::~Thread() = default;

bool Thread::start(Entry entry, void* argument) {
    std::unique_ptr<State> fresh(new (std::nothrow) State{{}, entry, argument});
    if (!fresh || pthread_create(&fresh->handle, nullptr, State::run, fresh.get()) != 0) return false;
    state = std::move(fresh);
    return true;
}

void Thread::join() {
    if (!state) return;
    pthread_join(state->handle, nullptr);
    state.reset();
}

bool Thread::adoptScheduling(const ThreadScheduling& scheduling) {
    if (!state) return false;
    sched_param parameters{};
    parameters.sched_priority = scheduling.priority;
    return pthread_setschedparam(state->handle, scheduling.policy, &parameters) == 0;
}

}  // namespace platform
