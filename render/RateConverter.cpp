#include "render/RateConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "host/HostError.h"
#include "render/EventTimeline.h"

namespace {

constexpr std::int64_t kChunkFrames = 4096;

}  // namespace

RateConverter::RateConverter(int outputRate, AudioSink& next)
    : next(next), ratio(static_cast<double>(outputRate) / kRenderRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t error = nullptr;
    resampler = soxr_create(kRenderRate, outputRate, 2, &error, &io, &quality, nullptr);
    if (error) throw HostError("cannot convert to " + std::to_string(outputRate) + " Hz: " + error);
    const auto room = static_cast<std::size_t>(std::ceil(kChunkFrames * ratio)) + 64;
    outLeft.resize(room);
    outRight.resize(room);
}

RateConverter::~RateConverter() { soxr_delete(resampler); }

void RateConverter::write(const float* left, const float* right, std::int64_t frames) {
    while (frames > 0) {
        const std::int64_t count = std::min(frames, kChunkFrames);
        pass(left, right, count, INT64_MAX);
        left += count;
        right += count;
        frames -= count;
    }
}

// Null input drains the filter; no more than `limit` frames are passed on in all.
void RateConverter::pass(const float* left, const float* right, std::int64_t frames, std::int64_t limit) {
    const float* in[2] = {left, right};
    float* out[2] = {outLeft.data(), outRight.data()};
    std::size_t consumed = 0;
    for (;;) {
        std::size_t taken = 0, made = 0;
        const soxr_error_t error =
            soxr_process(resampler, left ? in : nullptr, static_cast<std::size_t>(frames) - consumed, &taken, out,
                         outLeft.size(), &made);
        if (error) throw HostError(std::string("rate conversion failed: ") + error);
        consumed += taken;
        in[0] += taken;
        in[1] += taken;
        const std::int64_t kept = std::min(static_cast<std::int64_t>(made), limit - framesOut);
        if (kept > 0) next.write(outLeft.data(), outRight.data(), kept);
        framesOut += std::max<std::int64_t>(kept, 0);
        if (left ? consumed == static_cast<std::size_t>(frames) : made == 0) break;
    }
    framesIn += frames;
}

void RateConverter::finish() {
    const std::int64_t length = std::llround(static_cast<double>(framesIn) * ratio);
    pass(nullptr, nullptr, 0, length);
    std::fill(outLeft.begin(), outLeft.end(), 0.0f);
    std::fill(outRight.begin(), outRight.end(), 0.0f);
    while (framesOut < length) {
        const std::int64_t count =
            std::min<std::int64_t>(length - framesOut, static_cast<std::int64_t>(outLeft.size()));
        next.write(outLeft.data(), outRight.data(), count);
        framesOut += count;
    }
}
