// Plays an EventTimeline through a plug-in block by block, each event at its
// exact frame, and keeps going past the end until the instrument falls silent.
// Blocks are cut at Volume (controller 7) and all-notes-off (123), which the
// plug-in applies on arrival: so they too land on their frame, and the output
// is the same for every block size.
#pragma once

#include <cstdint>
#include <functional>

#include "host/PluginHost.h"
#include "render/AudioSink.h"
#include "render/EventTimeline.h"

// After the end of the sequence, this much exact silence (and at least one
// whole block) ends the render. Shorter gaps occur while a strike travels
// from the hammer to the pick-ups.
constexpr std::int64_t kSilenceFrames = kRenderRate / 10;

struct RenderPlan {
    int blockSize = 512;
    // Longest stretch rendered after the end of the sequence.
    std::int64_t tailFrames = 30 * kRenderRate;
};

// Called after every block with the number of frames rendered so far; a false
// answer stops the render.
using BlockObserver = std::function<bool(std::int64_t framesRendered)>;

// Renders the timeline into sink and returns the number of frames written:
// the whole sequence, then the tail up to its last non-zero frame. Returns -1
// when the observer stopped it.
std::int64_t renderTimeline(PluginHost& plugin, const EventTimeline& timeline, const RenderPlan& plan,
                            AudioSink& sink, const BlockObserver& observer);
