// The built plug-in as a host drives it: the dense pedalled piece at 64-frame
// blocks, and what each event time inside a block adds.
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/BenchPluginHost.h"

namespace {

constexpr int kSustainParameter = 2;

// While alive, the calling thread runs at a real-time priority, as a host's
// audio thread does; threads made meanwhile keep their own scheduling.
class RealTimeThread {
public:
    RealTimeThread() {
        pthread_getschedparam(pthread_self(), &oldPolicy, &oldParameters);
        sched_param parameters{};
        parameters.sched_priority = 10;
        raised = pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters) == 0;
    }
    ~RealTimeThread() {
        if (raised) pthread_setschedparam(pthread_self(), oldPolicy, &oldParameters);
    }
    bool raised = false;

private:
    int oldPolicy = SCHED_OTHER;
    sched_param oldParameters{};
};

// Argument 1: the instance is made on an ordinary thread and played from a
// real-time one, as hosts do.
void BM_DensePiece(benchmark::State& state) {
    const bool realTimeHost = state.range(0) != 0;
    const DensePiece piece;
    const std::int64_t frames = pieceFrames(piece);
    Stopwatch watch;
    double rendered = 0;
    std::vector<double> blocks;
    for (auto _ : state) {
        state.PauseTiming();
        BenchPluginHost host(kPieceBlock);
        if (!host.loaded()) {
            state.SkipWithError("plug-in not loaded");
            return;
        }
        state.ResumeTiming();
        std::optional<RealTimeThread> audioThread;
        if (realTimeHost) {
            audioThread.emplace();
            if (!audioThread->raised) {
                state.SkipWithError("no permission for real-time scheduling");
                return;
            }
        }
        watch.start();
        for (std::int64_t f = 0; f < frames; f += kPieceBlock) {
            const auto begin = std::chrono::steady_clock::now();
            host.play(piece);
            blocks.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        }
        watch.stop();
        rendered += static_cast<double>(frames);
    }
    reportRenderRate(state, rendered, watch.seconds(), reference().pieceScalarSecondsPerFrame);
    state.counters["keysSounding"] = reference().piece.averageActiveKeys;
    // The slow tail as a share of the time one block lasts when played.
    std::sort(blocks.begin(), blocks.end());
    const double budget = kPieceBlock / kSampleRate;
    const auto share = [&](double q) { return blocks[static_cast<std::size_t>(q * (blocks.size() - 1))] / budget; };
    state.counters["budgetP99"] = share(0.99);
    state.counters["budgetP999"] = share(0.999);
    state.counters["budgetMax"] = share(1.0);
}
BENCHMARK(BM_DensePiece)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same piece on the selected kernel in this process, one worker and no
// pool: what the kernel alone gives at these block and stretch sizes.
void BM_DensePieceOneWorker(benchmark::State& state) {
    const DensePiece piece;
    double seconds = 0;
    double rendered = 0;
    for (auto _ : state) {
        seconds += playPieceInProcess(piece, selectedRenderVariant().render).seconds;
        rendered += static_cast<double>(pieceFrames(piece));
    }
    reportRenderRate(state, rendered, seconds, reference().pieceScalarSecondsPerFrame);
}
BENCHMARK(BM_DensePieceOneWorker)->Unit(benchmark::kMillisecond);

// Full polyphony at 512-frame blocks; every other block carries `cuts` pedal
// presses at distinct offsets, which change nothing while the pedal is down
// but each cut the block.
void BM_EventTimes(benchmark::State& state) {
    const int cuts = static_cast<int>(state.range(0));
    constexpr int kBlock = 512;
    BenchPluginHost host(kBlock);
    if (!host.loaded()) {
        state.SkipWithError("plug-in not loaded");
        return;
    }
    host.setParameter(kSustainParameter, 1.0f);
    host.queue(0, 0xB0, 64, 127);
    for (int note = 21; note <= 108; ++note) host.queue(0, 0x90, static_cast<unsigned char>(note), 100);
    host.process();
    Stopwatch plain;
    Stopwatch cut;
    double blocks = 0;
    for (auto _ : state) {
        plain.start();
        host.process();
        plain.stop();
        for (int e = 1; e <= cuts; ++e) host.queue(e * kBlock / (cuts + 1), 0xB0, 64, 127);
        cut.start();
        host.process();
        cut.stop();
        blocks += 1;
    }
    state.counters["usPerBlockPlain"] = plain.seconds() / blocks * 1e6;
    state.counters["usPerBlockCut"] = cut.seconds() / blocks * 1e6;
    state.counters["usPerEventTime"] = (cut.seconds() - plain.seconds()) / blocks / cuts * 1e6;
    state.counters["xRealTime"] = 2 * blocks * kBlock / kSampleRate / (plain.seconds() + cut.seconds());
}
BENCHMARK(BM_EventTimes)->Arg(4)->Arg(16)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
