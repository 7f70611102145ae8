// One worker's share of a host block: the stretches of its own keys between
// event times, each event applied to those keys at its frame. A block with
// many event times costs one pass of the worker pool instead of one per
// stretch, and every key still sees the same actions at the same frames in
// the same order as when the whole model takes them between stretches.
#pragma once

#include <cstdint>

#include "engine/KeyModel.h"

struct BlockEvent {
    std::int32_t frame;  // 0..frames; one at frames is applied after the last sample
    std::uint8_t key;    // 0..87, or kPedalKey
    std::uint8_t velocity;
    std::uint8_t on;
};

struct BlockJob {
    // The worker's keys are firstKey, firstKey + keyStride, ... with
    // firstKey < keyStride; outputs and frames span the whole block.
    RenderJob render;
    const BlockEvent* events;  // in the order they are applied
    int eventCount;
    bool pedalDown;  // as the block starts
};

void runBlockJob(BlockJob& job);

// The pedal as the block's events leave it.
bool pedalAfter(bool pedalDown, const BlockEvent* events, int count);
