#include "host/BlockPlayer.h"

#include <algorithm>

#include "plugin/MidiVocabulary.h"

namespace {

bool actsOnArrival(const TimedEvent& event) {
    return midi::statusKind(event.bytes[0]) == midi::kControlChange &&
           (event.bytes[1] == midi::kVolume || event.bytes[1] == midi::kAllNotesOff);
}

}  // namespace

void playBlock(PluginHost& plugin, std::span<const TimedEvent> events, std::span<const ParameterChange> changes,
               std::int64_t blockStart, int frames, float* left, float* right) {
    const std::int64_t blockEnd = blockStart + frames;
    std::size_t nextEvent = 0, nextChange = 0;
    for (std::int64_t cutStart = blockStart; cutStart < blockEnd;) {
        for (; nextChange < changes.size() && changes[nextChange].frame <= cutStart; ++nextChange)
            plugin.setParameter(changes[nextChange].index, changes[nextChange].value);
        std::int64_t cutEnd = nextChange < changes.size() ? std::min(changes[nextChange].frame, blockEnd) : blockEnd;
        const std::size_t first = nextEvent;
        for (; nextEvent < events.size() && events[nextEvent].frame < cutEnd; ++nextEvent)
            if (actsOnArrival(events[nextEvent]) && events[nextEvent].frame > cutStart) {
                cutEnd = events[nextEvent].frame;
                break;
            }
        plugin.sendEvents(events.subspan(first, nextEvent - first), cutStart);
        plugin.process(left + (cutStart - blockStart), right + (cutStart - blockStart),
                       static_cast<int>(cutEnd - cutStart));
        cutStart = cutEnd;
    }
}
