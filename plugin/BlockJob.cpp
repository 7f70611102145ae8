#include "plugin/BlockJob.h"

namespace {

// The worker's part of one event; the pedal is followed here, since every
// worker sees every pedal event.
void applyToOwnKeys(KeyModel& keys, const KeyEvent& event, int firstKey, int keyStride, bool& pedalDown) {
    if (event.key == kPedalKey) {
        pedalDown = event.on != 0;
        if (!pedalDown)
            for (int k = firstKey; k < kNumKeys; k += keyStride) keys.pedalReleased(k);
        return;
    }
    if (event.key % keyStride != firstKey) return;
    if (event.on)
        keys.noteOn(event.key, event.velocity);
    else
        keys.noteOff(event.key, pedalDown);
}

void renderStretch(const RenderJob& block, int from, int to) {
    RenderJob stretch = block;
    stretch.outLeft = block.outLeft + from;
    stretch.outRight = block.outRight + from;
    stretch.frames = to - from;
    renderKeys(&stretch);
}

}  // namespace

void runBlockJob(BlockJob& job) {
    const RenderJob& block = job.render;
    bool pedalDown = job.pedalDown;
    int done = 0;
    for (int i = 0; i < job.eventCount; ++i) {
        const KeyEvent& event = job.events[i];
        if (event.frame > done) {
            renderStretch(block, done, event.frame);
            done = event.frame;
        }
        applyToOwnKeys(*block.plugin, event, block.firstKey, block.keyStride, pedalDown);
    }
    if (block.frames > done) renderStretch(block, done, block.frames);
}

bool pedalAfter(bool pedalDown, const KeyEvent* events, int count) {
    for (int i = 0; i < count; ++i)
        if (events[i].key == kPedalKey) pedalDown = events[i].on != 0;
    return pedalDown;
}
