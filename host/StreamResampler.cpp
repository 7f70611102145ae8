#include "host/StreamResampler.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "host/TimedEvent.h"

namespace {

// Enough silence for the filter to fill and its buffers to reach their size.
constexpr std::int64_t kPrimingFrames = 16384;
// The dry run covers this many server frames of the period pattern.
constexpr std::int64_t kDryRunFrames = 8 * 48000;

soxr_t createConverter(int serverRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // Small transform blocks: short bursts, so a short queue.
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    runtime.log2_min_dft_size = 8;
    runtime.log2_large_dft_size = 8;
    soxr_error_t error = nullptr;
    soxr_t converter = soxr_create(kRenderRate, serverRate, 2, &error, &io, &quality, &runtime);
    if (error) throw std::runtime_error("cannot convert to " + std::to_string(serverRate) + " Hz: " + error);
    return converter;
}

}  // namespace

StreamResampler::StreamResampler(int serverRate, int periodFrames)
    : serverRate(serverRate), periodFrames(periodFrames), converter(createConverter(serverRate)) {
    const std::int64_t primingPeriods = (kPrimingFrames + periodFrames - 1) / periodFrames;
    const std::size_t capacity = static_cast<std::size_t>(kPrimingFrames + 8 * periodFrames + 4096);
    queueLeft.assign(capacity, 0.0f);
    queueRight.assign(capacity, 0.0f);
    for (std::int64_t p = 0; p < primingPeriods + kDryRunFrames / periodFrames; ++p)
        largestInputFrames =
            std::max<int>(largestInputFrames, static_cast<int>(inputTarget(p + 1) - inputTarget(p)));
    scratchLeft.assign(capacity, 0.0f);
    scratchRight.assign(capacity, 0.0f);
    silence.assign(static_cast<std::size_t>(largestInputFrames), 0.0f);

    // The dry run: the queue level before each stream period's pop.
    soxr_t dry = createConverter(serverRate);
    std::int64_t produced = 0, lowest = INT64_MAX;
    for (std::int64_t p = 0; p < primingPeriods + kDryRunFrames / periodFrames; ++p) {
        const auto frames = static_cast<std::size_t>(inputTarget(p + 1) - inputTarget(p));
        const float* in[2] = {silence.data(), silence.data()};
        float* out[2] = {scratchLeft.data(), scratchRight.data()};
        std::size_t taken = 0, made = 0;
        soxr_process(dry, in, frames, &taken, out, scratchLeft.size(), &made);
        produced += static_cast<std::int64_t>(made);
        if (p >= primingPeriods) lowest = std::min(lowest, produced - periodFrames * (p - primingPeriods + 1));
    }
    soxr_delete(dry);

    for (period = 0; period < primingPeriods; ++period) {
        const auto frames = static_cast<std::size_t>(inputTarget(period + 1) - inputTarget(period));
        feed(silence.data(), silence.data(), frames);
    }
    // Dropping the surplus leaves the queue exactly one period full at its lowest.
    const std::int64_t drop = std::clamp<std::int64_t>(lowest, 0, static_cast<std::int64_t>(queueCount));
    queueRead = (queueRead + static_cast<std::size_t>(drop)) % queueLeft.size();
    queueCount -= static_cast<std::size_t>(drop);
    latency = static_cast<int>(primingPeriods * periodFrames - drop);
}

StreamResampler::~StreamResampler() { soxr_delete(converter); }

// Instrument frames fed by the end of a period: the server frames so far at 44100 Hz.
std::int64_t StreamResampler::inputTarget(std::int64_t periods) const {
    const std::int64_t serverFrames = periods * periodFrames;
    return (2 * serverFrames * kRenderRate + serverRate) / (2 * static_cast<std::int64_t>(serverRate));
}

int StreamResampler::framesForNextPeriod() const {
    return static_cast<int>(inputTarget(period + 1) - inputTarget(period));
}

std::int64_t StreamResampler::frameFor(int offset) const {
    const std::int64_t serverFrame = period * periodFrames + offset;
    const std::int64_t frame =
        (2 * serverFrame * kRenderRate + serverRate) / (2 * static_cast<std::int64_t>(serverRate));
    return std::clamp(frame, inputTarget(period), inputTarget(period + 1) - 1);
}

void StreamResampler::feed(const float* left, const float* right, std::size_t frames) {
    const float* in[2] = {left, right};
    float* out[2] = {scratchLeft.data(), scratchRight.data()};
    std::size_t taken = 0, made = 0;
    soxr_process(converter, in, frames, &taken, out, scratchLeft.size(), &made);
    const std::size_t room = queueLeft.size() - queueCount;
    made = std::min(made, room);
    std::size_t write = (queueRead + queueCount) % queueLeft.size();
    for (std::size_t i = 0; i < made; ++i) {
        queueLeft[write] = scratchLeft[i];
        queueRight[write] = scratchRight[i];
        write = write + 1 == queueLeft.size() ? 0 : write + 1;
    }
    queueCount += made;
}

void StreamResampler::convertPeriod(const float* left, const float* right, float* outLeft, float* outRight) {
    feed(left, right, static_cast<std::size_t>(framesForNextPeriod()));
    ++period;
    for (int i = 0; i < periodFrames; ++i) {
        if (queueCount == 0) {
            outLeft[i] = outRight[i] = 0.0f;  // cannot happen after the dry run; silence rather than garbage
            continue;
        }
        outLeft[i] = queueLeft[queueRead];
        outRight[i] = queueRight[queueRead];
        queueRead = queueRead + 1 == queueLeft.size() ? 0 : queueRead + 1;
        --queueCount;
    }
}
