#include "host/StreamResampler.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string>

#include "host/TimedEvent.h"

namespace {

// The silence fed before the stream: long enough for soxr's buffers to reach
// the size the largest block needs, and a whole number of host frames long.
constexpr std::int64_t kLeastPrimingFrames = 16384;
// The dry run steps this many input frames one at a time: many periods of
// soxr's block pattern at every rate.
constexpr std::int64_t kDryRunFrames = 2 * kRenderRate;
// Covers ratios that soxr does not treat as rational, whose pattern never
// quite repeats.
constexpr int kSafetyFrames = 2;
// soxr's output between two pops beyond what the dry run saw, in host frames.
constexpr std::size_t kQueueSlack = 256;

// Live: linear phase, so an impulse peaks where it is due and a note's
// attack is not smeared; flat to 19.4 kHz (0.88 of 22050), 20-bit
// rejection. Above 44100 Hz the stop band starts at 1.12 x 22050 Hz, which
// lets only images of content above 19.4 kHz through, and those land above
// 22 kHz; this halves the filter and so the latency. Small transforms keep
// soxr's bursts, and so the queue, short.
soxr_t createConverter(int hostRate, unsigned channels, ConversionQuality quality) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
    soxr_quality_spec_t spec =
        soxr_quality_spec(quality == ConversionQuality::Live ? SOXR_HQ : SOXR_VHQ, SOXR_LINEAR_PHASE);
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    if (quality == ConversionQuality::Live) {
        spec.passband_end = 0.88;
        if (hostRate > kRenderRate) spec.stopband_begin = 1.12;
        runtime.log2_min_dft_size = 8;
        runtime.log2_large_dft_size = 8;
    }
    soxr_error_t error = nullptr;
    soxr_t converter = soxr_create(kRenderRate, hostRate, channels, &error, &io, &spec, &runtime);
    if (error) throw std::runtime_error("cannot convert to " + std::to_string(hostRate) + " Hz: " + error);
    return converter;
}

// Feeds everything and takes everything soxr can give, so that its output
// count depends on the input so far only.
std::size_t process(soxr_t converter, const float* left, const float* right, std::size_t frames, float* outLeft,
                    float* outRight, std::size_t room) {
    const float* in[2] = {left, right};
    float* out[2] = {outLeft, outRight};
    std::size_t made = 0;
    soxr_process(converter, in, frames, nullptr, out, room, &made);
    return made;
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); }

struct Plan {
    std::int64_t primingFrames;
    int latency;
    std::int64_t highestSurplus;  // most soxr output ahead of the host frames popped, in host frames
};

// soxr's output count after each input frame, primed as the live converter
// will be: the queue's lowest level over every host frame where a block may
// end gives the latency that keeps it from running dry, whatever the blocks.
Plan planFor(int hostRate, ConversionQuality quality, int largestInput) {
    Plan plan{};
    const std::int64_t step = kRenderRate / std::gcd(kRenderRate, hostRate);
    plan.primingFrames = ceilDiv(kLeastPrimingFrames + 2 * static_cast<std::int64_t>(largestInput), step) * step;
    const std::int64_t primedOutput = plan.primingFrames * hostRate / kRenderRate;

    soxr_t dry = createConverter(hostRate, 1, quality);
    std::vector<float> silence(static_cast<std::size_t>(plan.primingFrames), 0.0f);
    std::vector<float> out(static_cast<std::size_t>(primedOutput + 65536));
    std::int64_t produced = static_cast<std::int64_t>(
        process(dry, silence.data(), nullptr, silence.size(), out.data(), nullptr, out.size()));
    std::int64_t deficit = INT64_MIN, surplus = INT64_MIN;
    for (std::int64_t input = 0; input <= kDryRunFrames; ++input) {
        if (input > 0)
            produced += static_cast<std::int64_t>(
                process(dry, silence.data(), nullptr, 1, out.data(), nullptr, out.size()));
        const std::int64_t streamOutput = produced - primedOutput;
        // Host frames whose blocks have fed exactly `input` instrument frames.
        const std::int64_t firstHost = ceilDiv(input * hostRate, kRenderRate);
        const std::int64_t lastHost = ceilDiv((input + 1) * hostRate, kRenderRate) - 1;
        deficit = std::max(deficit, lastHost - streamOutput);
        surplus = std::max(surplus, streamOutput - firstHost);
    }
    soxr_delete(dry);
    plan.latency = static_cast<int>(std::max<std::int64_t>(deficit, 0)) + kSafetyFrames;
    plan.highestSurplus = std::max<std::int64_t>(surplus, 0);
    return plan;
}

}  // namespace

StreamResampler::StreamResampler(int hostRate, int maxBlockFrames, ConversionQuality quality)
    : hostRate(hostRate), maxBlockFrames(std::max(maxBlockFrames, 1)) {
    if (hostRate < kLowestRate || hostRate > kHighestRate)
        throw std::runtime_error("cannot convert to " + std::to_string(hostRate) + " Hz: outside " +
                                 std::to_string(kLowestRate) + ".." + std::to_string(kHighestRate) + " Hz");
    if (maxBlockFrames < 0)
        throw std::runtime_error("cannot convert blocks of " + std::to_string(maxBlockFrames) + " frames");
    largestInputFrames =
        static_cast<int>(ceilDiv(static_cast<std::int64_t>(this->maxBlockFrames) * kRenderRate, hostRate));
    if (hostRate == kRenderRate) return;

    const Plan plan = planFor(hostRate, quality, largestInputFrames);
    latency = plan.latency;
    converter = createConverter(hostRate, 2, quality);
    const std::size_t capacity =
        static_cast<std::size_t>(latency + plan.highestSurplus + this->maxBlockFrames) + kQueueSlack;
    queueLeft.assign(capacity, 0.0f);
    queueRight.assign(capacity, 0.0f);
    scratchLeft.assign(capacity, 0.0f);
    scratchRight.assign(capacity, 0.0f);

    // Host frame h plays soxr's output h - latency + (the priming's length in
    // host frames). The priming's output is silence, as is the ring: only
    // how much of it stays counts.
    const std::int64_t primedOutput = plan.primingFrames * hostRate / kRenderRate;
    const std::vector<float> silence(static_cast<std::size_t>(plan.primingFrames), 0.0f);
    std::vector<float> primedLeft(static_cast<std::size_t>(primedOutput + 65536)), primedRight(primedLeft.size());
    const auto made = static_cast<std::int64_t>(process(converter, silence.data(), silence.data(), silence.size(),
                                                        primedLeft.data(), primedRight.data(), primedLeft.size()));
    const std::int64_t level = made - (primedOutput - latency);
    queueCount = static_cast<std::size_t>(std::clamp<std::int64_t>(level, 0, static_cast<std::int64_t>(capacity)));
    discard = std::max<std::int64_t>(-level, 0);
}

StreamResampler::~StreamResampler() { soxr_delete(converter); }

std::int64_t StreamResampler::instrumentFrameOf(std::int64_t hostFrame) const {
    const std::int64_t scaled = hostFrame * kRenderRate;
    return scaled >= 0 ? scaled / hostRate : -ceilDiv(-scaled, hostRate);
}

int StreamResampler::inputFramesFor(int frames) const {
    return static_cast<int>(instrumentFrameOf(converted + frames) - instrumentFrameOf(converted));
}

std::int64_t StreamResampler::framesFilledBy(std::int64_t inputFrames) const {
    const std::int64_t lastInput = instrumentFrameOf(converted) + inputFrames;
    return ceilDiv((lastInput + 1) * hostRate, kRenderRate) - 1 - converted;
}

// soxr's output, from the scratch buffers, into the ring: the priming's share dropped first.
void StreamResampler::push(std::size_t frames) {
    std::size_t from = 0;
    if (discard > 0) {
        from = std::min(frames, static_cast<std::size_t>(discard));
        discard -= static_cast<std::int64_t>(from);
    }
    const std::size_t kept = std::min(frames - from, queueLeft.size() - queueCount);
    std::size_t write = (queueRead + queueCount) % queueLeft.size();
    for (std::size_t i = from; i < from + kept; ++i) {
        queueLeft[write] = scratchLeft[i];
        queueRight[write] = scratchRight[i];
        write = write + 1 == queueLeft.size() ? 0 : write + 1;
    }
    queueCount += kept;
}

void StreamResampler::feed(const float* left, const float* right, int frames) {
    push(process(converter, left, right, static_cast<std::size_t>(frames), scratchLeft.data(), scratchRight.data(),
                 scratchLeft.size()));
}

void StreamResampler::convert(const float* left, const float* right, float* outLeft, float* outRight, int frames) {
    if (!converter) {
        if (frames <= 0) return;
        if (outLeft != left) std::copy_n(left, frames, outLeft);
        if (outRight != right) std::copy_n(right, frames, outRight);
        converted += frames;
        return;
    }
    // A block longer than promised goes in promised sizes, which soxr's buffers are ready for.
    while (frames > 0) {
        const int block = std::min(frames, maxBlockFrames);
        const int input = inputFramesFor(block);
        feed(left, right, input);
        left += input;
        right += input;
        for (int i = 0; i < block; ++i) {
            if (queueCount == 0) {
                outLeft[i] = outRight[i] = 0.0f;
                ++underrunFrames;
                continue;
            }
            outLeft[i] = queueLeft[queueRead];
            outRight[i] = queueRight[queueRead];
            queueRead = queueRead + 1 == queueLeft.size() ? 0 : queueRead + 1;
            --queueCount;
        }
        outLeft += block;
        outRight += block;
        frames -= block;
        converted += block;
    }
}
