// One host block through the plug-in, every event at its own frame. The
// plug-in plays notes and the sustain pedal at their frame inside a call, but
// applies Volume (controller 7), all-notes-off (123) and parameter changes on
// arrival, at the start of the call: so the block is cut where one of those
// falls.
#pragma once

#include <cstdint>
#include <span>

#include "host/PluginHost.h"
#include "host/TimedEvent.h"

// A parameter's new value from a frame on; at one frame it acts before the
// frame's MIDI events.
struct ParameterChange {
    std::int64_t frame = 0;
    int index = 0;
    float value = 0.0f;
};

// events and changes: those of this block, frames from blockStart to
// blockStart + frames - 1, each in playing order. Writes frames samples to
// left and right.
void playBlock(PluginHost& plugin, std::span<const TimedEvent> events, std::span<const ParameterChange> changes,
               std::int64_t blockStart, int frames, float* left, float* right);
inline void playBlock(PluginHost& plugin, std::span<const TimedEvent> events, std::int64_t blockStart, int frames,
                      float* left, float* right) {
    playBlock(plugin, events, {}, blockStart, frames, left, right);
}
