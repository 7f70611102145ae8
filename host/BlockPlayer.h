// One host block through the plug-in, every event at its own frame. The
// plug-in plays notes and the sustain pedal at their frame inside a call, but
// applies Volume (controller 7) and all-notes-off (123) on arrival, at the
// start of the call: so the block is cut where one of those falls.
#pragma once

#include <cstdint>
#include <span>

#include "host/PluginHost.h"
#include "host/TimedEvent.h"

// events: those of this block, frames from blockStart to blockStart + frames - 1,
// in playing order. Writes frames samples to left and right.
void playBlock(PluginHost& plugin, std::span<const TimedEvent> events, std::int64_t blockStart, int frames,
               float* left, float* right);
