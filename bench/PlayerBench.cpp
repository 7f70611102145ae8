// The player's process callback at 64-frame periods, against its parts: the
// plug-in alone at the instrument's rate, and the live converter alone. The
// dense piece is played for four bars either way. Then the converter's cost
// against the instrument's at full polyphony, timed in turn in one run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "bench/DensePiece.h"
#include "engine/Parameters.h"
#include "host/BlockPlayer.h"
#include "host/PluginHost.h"
#include "host/StreamResampler.h"

namespace {

constexpr int kPeriod = 64;
constexpr std::int64_t kFourBars = 4 * 4 * 44100 * 60 / 140;

std::vector<TimedEvent> eventsIn(const DensePiece& piece, std::int64_t start, int frames) {
    std::vector<TimedEvent> events;
    piece.messagesIn(start, frames, [&](const PieceMessage& m) {
        TimedEvent event;
        event.frame = m.frame;
        event.bytes[0] = m.status, event.bytes[1] = m.data1, event.bytes[2] = m.data2;
        events.push_back(event);
    });
    return events;
}

// What the callback does per period, without JACK's own buffer calls:
// the period's events, the plug-in's block, and at rates other than 44100
// the conversion. Reported per period of the server.
void BM_PlayerPeriod(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const DensePiece piece;
    PluginHost plugin(QUENOR_PLUGIN_PATH);
    std::unique_ptr<StreamResampler> resampler;
    if (rate != 44100) resampler = std::make_unique<StreamResampler>(rate, kPeriod);
    plugin.open(resampler ? resampler->largestInput() : kPeriod);
    plugin.reserveEvents(512);
    plugin.resume();
    std::vector<float> left(512), right(512), outLeft(kPeriod), outRight(kPeriod);
    // The events of every period, gathered before timing as the callback finds them ready.
    std::int64_t periods = 0, instrumentFrames = 0;
    for (auto _ : state) {
        for (std::int64_t done = 0; done < kFourBars;) {
            const std::int64_t first =
                resampler ? resampler->instrumentFrameOf(resampler->hostFrame()) : instrumentFrames;
            const int frames = resampler ? resampler->inputFramesFor(kPeriod) : kPeriod;
            state.PauseTiming();
            const std::vector<TimedEvent> events = eventsIn(piece, first, frames);
            state.ResumeTiming();
            playBlock(plugin, events, first, frames, left.data(), right.data());
            if (resampler) resampler->convert(left.data(), right.data(), outLeft.data(), outRight.data(), kPeriod);
            instrumentFrames += frames;
            done += frames;
            ++periods;
        }
    }
    state.counters["us_per_period"] =
        benchmark::Counter(static_cast<double>(periods), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlayerPeriod)->Arg(44100)->Arg(48000)->Arg(96000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The converter alone, on silence: its cost per 64-frame period.
void BM_ResamplerPeriod(benchmark::State& state) {
    StreamResampler resampler(static_cast<int>(state.range(0)), kPeriod);
    std::vector<float> in(static_cast<std::size_t>(resampler.largestInput()), 0.0f), outLeft(kPeriod),
        outRight(kPeriod);
    for (auto _ : state) {
        resampler.convert(in.data(), in.data(), outLeft.data(), outRight.data(), kPeriod);
        benchmark::DoNotOptimize(outLeft.data());
    }
}
BENCHMARK(BM_ResamplerPeriod)->Arg(48000)->Arg(96000)->Unit(benchmark::kMicrosecond);

// Every period renders the instrument with all 88 keys struck and held at
// Sustain 1.0, pedal down, then converts it; the two are timed apart, so
// conversionPercent is the converter's cost as a share of the instrument's,
// whatever else the machine is doing.
void BM_ConversionShare(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    PluginHost plugin(QUENOR_PLUGIN_PATH);
    StreamResampler resampler(rate, kPeriod);
    plugin.open(resampler.largestInput());
    plugin.setParameter(kSustain, 1.0f);
    plugin.reserveEvents(512);
    plugin.resume();
    std::vector<float> left(static_cast<std::size_t>(resampler.largestInput())), right(left.size());
    std::vector<float> outLeft(kPeriod), outRight(kPeriod);
    std::vector<TimedEvent> strikes{{0, {0xB0, 64, 127}}};
    for (std::uint8_t key = 21; key <= 108; ++key) strikes.push_back({0, {0x90, key, 100}});
    using Clock = std::chrono::steady_clock;
    Clock::duration instrument{}, conversion{};
    for (auto _ : state) {
        const std::int64_t first = resampler.instrumentFrameOf(resampler.hostFrame());
        const int frames = resampler.inputFramesFor(kPeriod);
        if (first > 0) strikes.clear();
        const auto start = Clock::now();
        playBlock(plugin, strikes, first, frames, left.data(), right.data());
        const auto rendered = Clock::now();
        resampler.convert(left.data(), right.data(), outLeft.data(), outRight.data(), kPeriod);
        const auto converted = Clock::now();
        instrument += rendered - start;
        conversion += converted - rendered;
        benchmark::DoNotOptimize(outLeft.data());
    }
    state.counters["conversionPercent"] = 100.0 * std::chrono::duration<double>(conversion).count() /
                                          std::chrono::duration<double>(instrument).count();
    state.counters["latencyFrames"] = resampler.latencyFrames();
    state.counters["usInstrument"] =
        std::chrono::duration<double, std::micro>(instrument).count() / state.iterations();
}
// Ten seconds at 48000 Hz: the strings ring on at full strength throughout.
BENCHMARK(BM_ConversionShare)->Arg(48000)->Arg(96000)->Unit(benchmark::kMicrosecond)->Iterations(7500);

}  // namespace
