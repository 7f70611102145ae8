#include "render/Renderer.h"

#include <algorithm>
#include <vector>

#include "host/BlockPlayer.h"

namespace {

bool isSilent(const float* left, const float* right, std::int64_t frame) {
    return left[frame] == 0.0f && right[frame] == 0.0f;
}

// Writes the tail lazily: a run of silent frames reaches the sink only once
// something audible follows it.
class TailWriter {
public:
    TailWriter(AudioSink& sink, int blockSize) : sink(sink), zeros(blockSize, 0.0f) {}

    void writeAudible(const float* left, const float* right, std::int64_t frames) {
        if (frames <= 0) return;
        while (heldSilence > 0) {
            const std::int64_t count = std::min<std::int64_t>(heldSilence, static_cast<std::int64_t>(zeros.size()));
            sink.write(zeros.data(), zeros.data(), count);
            written += count;
            heldSilence -= count;
        }
        sink.write(left, right, frames);
        written += frames;
    }

    void holdSilence(std::int64_t frames) { heldSilence += frames; }
    std::int64_t silenceHeld() const { return heldSilence; }
    std::int64_t framesWritten() const { return written; }

private:
    AudioSink& sink;
    std::vector<float> zeros;
    std::int64_t heldSilence = 0;
    std::int64_t written = 0;
};

}  // namespace

std::int64_t renderTimeline(PluginHost& plugin, const EventTimeline& timeline, const RenderPlan& plan,
                            AudioSink& sink, const BlockObserver& observer) {
    const std::int64_t block = plan.blockSize;
    const std::int64_t limit = timeline.endFrame + plan.tailFrames;
    const std::int64_t silenceToStop = std::max(block, kSilenceFrames);
    std::vector<float> left(block), right(block);
    TailWriter writer(sink, plan.blockSize);

    std::size_t nextEvent = 0;
    for (std::int64_t blockStart = 0; blockStart < limit; blockStart += block) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        const std::size_t firstEvent = nextEvent;
        while (nextEvent < timeline.events.size() && timeline.events[nextEvent].frame < blockStart + block)
            ++nextEvent;
        playBlock(plugin, std::span(timeline.events).subspan(firstEvent, nextEvent - firstEvent), blockStart,
                  plan.blockSize, left.data(), right.data());

        // Frames before the end of the sequence are always kept; after it,
        // only up to the last audible one.
        const std::int64_t usable = std::min(block, limit - blockStart);
        const std::int64_t tailStart = std::clamp<std::int64_t>(timeline.endFrame - blockStart, 0, usable);
        std::int64_t audibleEnd = usable;
        while (audibleEnd > tailStart && isSilent(left.data(), right.data(), audibleEnd - 1)) --audibleEnd;
        writer.writeAudible(left.data(), right.data(), audibleEnd);
        writer.holdSilence(usable - audibleEnd);

        if (!observer(blockStart + usable)) return -1;
        if (writer.silenceHeld() >= silenceToStop) break;
    }
    return writer.framesWritten();
}
