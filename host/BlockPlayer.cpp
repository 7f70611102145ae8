#include "host/BlockPlayer.h"
#include "plugin/MidiVocabulary.h"

namespace {

bool actsOnArrival(const TimedEvent& event) {
    return midi::statusKind(event.bytes[0]) == midi::kControlChange &&
           (event.bytes[1] == midi::kVolume || event.bytes[1] == midi::kAllNotesOff);
}

}  // namespace

void playBlock(PluginHost& plugin, std::span<const TimedEvent> events, std::int64_t blockStart, int frames,
               float* left, float* right) {
    const std::int64_t blockEnd = blockStart + frames;
    std::size_t next = 0;
    for (std::int64_t cutStart = blockStart; cutStart < blockEnd;) {
        std::int64_t cutEnd = blockEnd;
        const std::size_t first = next;
        for (; next < events.size(); ++next)
            if (actsOnArrival(events[next]) && events[next].frame > cutStart) {
                cutEnd = events[next].frame;
                break;
            }
        plugin.sendEvents(events.subspan(first, next - first), cutStart);
        plugin.process(left + (cutStart - blockStart), right + (cutStart - blockStart),
                       static_cast<int>(cutEnd - cutStart));
        cutStart = cutEnd;
    }
}
