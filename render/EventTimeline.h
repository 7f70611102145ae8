// A MidiSequence laid out in audio frames at the instrument's fixed rate.
#pragma once

#include <cstdint>
#include <vector>

#include "host/TimedEvent.h"
#include "render/MidiSequence.h"

struct EventTimeline {
    std::vector<TimedEvent> events;  // by frame, in playing order
    std::int64_t endFrame = 0;       // where the sequence ends
};

// Longest sequence accepted, so that the file plus its tail stays inside a
// WAV file's 4 GiB at 32-bit stereo.
constexpr std::int64_t kMaxSequenceFrames = std::int64_t{3} * 3600 * kRenderRate;

// An event t seconds into the sequence lands on frame round(t * 44100), halves
// rounding up. Time is summed exactly (ticks times microseconds per quarter),
// so a tick that falls on a whole frame lands on exactly that frame. Throws a
// HostError for a sequence longer than kMaxSequenceFrames.
EventTimeline layOutInFrames(const MidiSequence& sequence);
