#include "plugin/EventQueue.h"

#include <new>

namespace {

void releaseList(EventQueue::Node* node) {
    while (node) {
        EventQueue::Node* next = node->next;
        delete node;
        node = next;
    }
}

}  // namespace

EventQueue::~EventQueue() {
    releaseList(pendingEvents);
    releaseList(freeEvents);
}

const EventQueue::Node* EventQueue::schedule(const KeyEvent& event) {
    Node* node = freeEvents;
    if (node)
        freeEvents = node->next;
    else if (!(node = new (std::nothrow) Node))
        return nullptr;
    node->event = event;

    Node** link = &pendingEvents;
    while (*link && (*link)->event.frame <= event.frame) link = &(*link)->next;
    node->next = *link;
    *link = node;
    return node;
}

void EventQueue::recycleHead() {
    Node* node = pendingEvents;
    pendingEvents = node->next;
    node->next = freeEvents;
    freeEvents = node;
}

void EventQueue::advance(std::int32_t frames) {
    for (Node* node = pendingEvents; node; node = node->next) node->event.frame -= frames;
}
