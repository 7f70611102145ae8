#include "plugin/EventQueue.h"

#include <new>

namespace {

void releaseList(NoteEvent* node) {
    while (node) {
        NoteEvent* next = node->next;
        delete node;
        node = next;
    }
}

}  // namespace

EventQueue::~EventQueue() {
    releaseList(pendingEvents);
    releaseList(freeEvents);
}

NoteEvent* EventQueue::scheduleEvent(std::int32_t delta) {
    NoteEvent* node = freeEvents;
    if (node)
        freeEvents = node->next;
    else if (!(node = new (std::nothrow) NoteEvent))
        return nullptr;
    node->delta = delta;

    NoteEvent** link = &pendingEvents;
    while (*link && (*link)->delta <= delta) link = &(*link)->next;
    node->next = *link;
    *link = node;
    return node;
}

void EventQueue::recycleHead() {
    NoteEvent* node = pendingEvents;
    pendingEvents = node->next;
    node->next = freeEvents;
    freeEvents = node;
}

void EventQueue::advance(std::int32_t frames) {
    for (NoteEvent* node = pendingEvents; node; node = node->next) node->delta -= frames;
}
