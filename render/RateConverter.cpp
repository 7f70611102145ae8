#include "render/RateConverter.h"

#include <algorithm>
#include <stdexcept>

#include "host/HostError.h"
#include "host/TimedEvent.h"

namespace {

constexpr int kChunkFrames = 4096;  // host frames per conversion

StreamResampler offlineConverter(int outputRate) {
    try {
        return StreamResampler(outputRate, kChunkFrames, ConversionQuality::Offline);
    } catch (const std::runtime_error& refusal) {
        throw HostError(refusal.what());
    }
}

}  // namespace

RateConverter::RateConverter(int outputRate, AudioSink& next)
    : next(next), outputRate(outputRate), converter(offlineConverter(outputRate)) {
    pendingLeft.resize(static_cast<std::size_t>(converter.largestInput()));
    pendingRight.resize(pendingLeft.size());
    outLeft.resize(kChunkFrames);
    outRight.resize(kChunkFrames);
}

void RateConverter::write(const float* left, const float* right, std::int64_t frames) {
    framesIn += frames;
    while (frames > 0) {
        const auto count = static_cast<std::int64_t>(
            std::min<std::size_t>(static_cast<std::size_t>(frames), pendingLeft.size() - pending));
        std::copy_n(left, count, pendingLeft.begin() + static_cast<std::ptrdiff_t>(pending));
        std::copy_n(right, count, pendingRight.begin() + static_cast<std::ptrdiff_t>(pending));
        pending += static_cast<std::size_t>(count);
        left += count;
        right += count;
        frames -= count;
        convertPending(
            std::min<std::int64_t>(converter.framesFilledBy(static_cast<std::int64_t>(pending)), kChunkFrames));
    }
}

// Converts the next host frames from the front of the pending input.
void RateConverter::convertPending(std::int64_t hostFrames) {
    const int frames = static_cast<int>(hostFrames);
    const auto used = static_cast<std::ptrdiff_t>(converter.inputFramesFor(frames));
    converter.convert(pendingLeft.data(), pendingRight.data(), outLeft.data(), outRight.data(), frames);
    std::copy(pendingLeft.begin() + used, pendingLeft.begin() + static_cast<std::ptrdiff_t>(pending),
              pendingLeft.begin());
    std::copy(pendingRight.begin() + used, pendingRight.begin() + static_cast<std::ptrdiff_t>(pending),
              pendingRight.begin());
    pending -= static_cast<std::size_t>(used);
    pass(frames);
}

// Passes on what the latency and the length leave of the block just converted.
void RateConverter::pass(std::int64_t frames) {
    const std::int64_t end = converter.hostFrame() - converter.latencyFrames();
    const std::int64_t start = std::max<std::int64_t>(end - frames, 0);
    const std::int64_t stop = std::min(end, lengthLimit);
    if (stop > start)
        next.write(outLeft.data() + (frames - (end - start)), outRight.data() + (frames - (end - start)),
                   stop - start);
}

void RateConverter::finish() {
    lengthLimit = (2 * framesIn * outputRate + kRenderRate) / (2 * static_cast<std::int64_t>(kRenderRate));
    const std::int64_t total = lengthLimit + converter.latencyFrames();
    while (converter.hostFrame() < total) {
        const int frames = static_cast<int>(std::min<std::int64_t>(total - converter.hostFrame(), kChunkFrames));
        const auto needed = static_cast<std::size_t>(converter.inputFramesFor(frames));
        std::fill(pendingLeft.begin() + static_cast<std::ptrdiff_t>(pending),
                  pendingLeft.begin() + static_cast<std::ptrdiff_t>(std::max(needed, pending)), 0.0f);
        std::fill(pendingRight.begin() + static_cast<std::ptrdiff_t>(pending),
                  pendingRight.begin() + static_cast<std::ptrdiff_t>(std::max(needed, pending)), 0.0f);
        pending = std::max(needed, pending);
        convertPending(frames);
    }
}
