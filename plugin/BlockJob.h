// One worker's share of a host block: the stretches of its own keys between
// event times, each event applied to those keys at its frame. A block with
// many event times costs one pass of the worker pool instead of one per
// stretch, and every key still sees the same actions at the same frames in
// the same order as when the whole model takes them between stretches.
#pragma once

#include "engine/KeyModel.h"
#include "plugin/KeyEvent.h"

struct BlockJob {
    // The worker's keys are firstKey, firstKey + keyStride, ... with
    // firstKey < keyStride; outputs and frames span the whole block.
    RenderJob render;
    const KeyEvent* events;  // in the order they are applied
    int eventCount;
    bool pedalDown;  // as the block starts
};

void runBlockJob(BlockJob& job);

// The pedal as the block's events leave it.
bool pedalAfter(bool pedalDown, const KeyEvent* events, int count);
