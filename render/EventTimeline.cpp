#include "render/EventTimeline.h"

#include <algorithm>

#include "host/HostError.h"

namespace {

__extension__ using Wide = unsigned __int128;

// Elapsed time as an exact count of tick-microseconds, advanced in tick order
// through the tempo changes.
class TempoClock {
public:
    explicit TempoClock(const MidiSequence& sequence)
        : tempos(sequence.tempos), microsPerSecondTicks(static_cast<Wide>(sequence.ticksPerQuarter) * 1000000u) {}

    std::int64_t frameAt(std::int64_t tick) {
        while (next < tempos.size() && tempos[next].tick <= tick) {
            advanceTo(tempos[next].tick);
            microsPerQuarter = tempos[next].microsPerQuarter;
            ++next;
        }
        advanceTo(tick);
        const Wide scaled = elapsed * kRenderRate;
        const Wide frame = (2 * scaled + microsPerSecondTicks) / (2 * microsPerSecondTicks);
        if (frame > static_cast<Wide>(kMaxSequenceFrames))
            throw HostError("the sequence lasts longer than 3 hours");
        return static_cast<std::int64_t>(frame);
    }

private:
    void advanceTo(std::int64_t tick) {
        elapsed += static_cast<Wide>(tick - currentTick) * microsPerQuarter;
        currentTick = tick;
    }

    const std::vector<TempoChange>& tempos;
    const Wide microsPerSecondTicks;
    std::size_t next = 0;
    std::int64_t currentTick = 0;
    std::uint32_t microsPerQuarter = 500000;
    Wide elapsed = 0;
};

}  // namespace

EventTimeline layOutInFrames(const MidiSequence& sequence) {
    TempoClock clock(sequence);
    EventTimeline timeline;
    timeline.events.reserve(sequence.messages.size());
    for (const MidiMessage& message : sequence.messages) {
        TimedEvent event;
        event.frame = clock.frameAt(message.tick);
        for (int i = 0; i < 3; ++i) event.bytes[i] = message.bytes[i];
        timeline.events.push_back(event);
    }
    const std::int64_t lastTick = sequence.messages.empty() ? 0 : sequence.messages.back().tick;
    timeline.endFrame = clock.frameAt(std::max(sequence.endTick, lastTick));
    return timeline;
}
