// The live converter: whatever the period, an instrument frame must come out
// at the same place, the reported latency after the server frame it stands for.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/StreamResampler.h"

namespace {

TEST(StreamResampler, AnImpulseSoundsExactlyTheLatencyAfterItsServerFrame) {
    for (const auto& [rate, period] : {std::pair{48000, 64}, {48000, 128}, {96000, 256}, {32000, 100}}) {
        StreamResampler resampler(rate, period);
        std::vector<float> in(static_cast<std::size_t>(resampler.largestInput())), silent(in.size(), 0.0f);
        std::vector<float> outLeft(static_cast<std::size_t>(period)), outRight(outLeft.size());
        std::vector<float> stream;
        for (const int offset : {17, 40, period - 1}) {
            stream.clear();
            const std::int64_t startPeriods = 37;
            std::int64_t impulseServerFrame = -1;
            for (int p = 0; p < 200; ++p) {
                std::fill(in.begin(), in.end(), 0.0f);
                if (p == startPeriods) {
                    const std::int64_t frame = resampler.frameFor(offset) - resampler.firstFrameOfNextPeriod();
                    in[static_cast<std::size_t>(frame)] = 1.0f;
                    impulseServerFrame = static_cast<std::int64_t>(stream.size()) + offset;
                }
                resampler.convertPeriod(in.data(), silent.data(), outLeft.data(), outRight.data());
                stream.insert(stream.end(), outLeft.begin(), outLeft.end());
            }
            std::size_t peak = 0;
            for (std::size_t i = 0; i < stream.size(); ++i)
                if (std::fabs(stream[i]) > std::fabs(stream[peak])) peak = i;
            // An instrument frame lasts rate / 44100 server frames: the event
            // lands within one of them, the peak within half a frame.
            EXPECT_NEAR(static_cast<double>(peak),
                        static_cast<double>(impulseServerFrame + resampler.latencyFrames()), 0.5 + rate / 44100.0)
                << rate << " Hz, " << period << "-frame periods, offset " << offset;
        }
    }
}

}  // namespace
