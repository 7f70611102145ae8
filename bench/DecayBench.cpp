// A minute of one held low key at Sustain 1.0: whether the long decay, whose
// state may pass through subnormal values, slows the kernel down. Each second
// of audio is timed on its own and the key's state is checked for subnormals
// after every sample of the first block and after every block from then on.
#include <cmath>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/RenderVariants.h"

namespace {

constexpr int kKey = 0;
constexpr int kSeconds = 60;  // after the first block
constexpr int kBlocksPerSecond = 44100 / kKernelBlock;

int subnormalValues(const KeyModel& model) {
    int count = 0;
    for (int s = 0; s < 2; ++s)
        for (int j = 0; j < kMaxPoints; ++j) {
            count += std::fpclassify(model.pos[kKey][s][j]) == FP_SUBNORMAL;
            count += std::fpclassify(model.vel[kKey][s][j]) == FP_SUBNORMAL;
        }
    return count;
}

void longDecay(benchmark::State& state, RenderFunction render) {
    for (auto _ : state) {
        auto model = fullPolyphonyModel();
        model->allNotesOff();
        model->noteOn(kKey, 100);
        std::vector<float> left(kKernelBlock);
        std::vector<float> right(kKernelBlock);
        RenderJob job{kKey, kNumKeys, model.get(), left.data(), right.data(), kKernelBlock};
        double fastest = 1e30;
        double slowest = 0;
        double silentAfter = kSeconds;
        long subnormals = 0;
        long blocksWithSubnormals = 0;
        // The strike's wave front passes through subnormal values in its first
        // samples; watch those one sample at a time.
        RenderJob single = job;
        single.frames = 1;
        Stopwatch frontWatch(Stopwatch::threadCpu);
        for (int s = 0; s < kKernelBlock; ++s) {
            frontWatch.start();
            render(&single);
            frontWatch.stop();
            subnormals += subnormalValues(*model);
        }
        double total = frontWatch.seconds();
        for (int second = 0; second < kSeconds; ++second) {
            Stopwatch watch(Stopwatch::threadCpu);
            for (int b = 0; b < kBlocksPerSecond; ++b) {
                watch.start();
                render(&job);
                watch.stop();
                const int found = subnormalValues(*model);
                subnormals += found;
                blocksWithSubnormals += found > 0;
            }
            total += watch.seconds();
            if (model->active[kKey] == 0 && silentAfter == kSeconds) silentAfter = second + 1;
            // Only whole seconds during which the key sounded throughout.
            if (model->active[kKey] != 0) {
                fastest = std::min(fastest, watch.seconds());
                slowest = std::max(slowest, watch.seconds());
            }
        }
        state.SetIterationTime(total);
        state.counters["silentWithinSecond"] = silentAfter;
        state.counters["subnormalValuesSeen"] = static_cast<double>(subnormals);
        state.counters["blocksWithSubnormals"] = static_cast<double>(blocksWithSubnormals);
        state.counters["slowestOverFastestSecond"] = fastest < 1e30 ? slowest / fastest : 0.0;
        state.counters["xRealTime"] = kSeconds / total;
    }
}

void BM_LongDecayScalar(benchmark::State& state) { longDecay(state, renderKeysScalar); }
BENCHMARK(BM_LongDecayScalar)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LongDecay(benchmark::State& state) {
    state.SetLabel(selectedRenderVariant().name);
    longDecay(state, selectedRenderVariant().render);
}
BENCHMARK(BM_LongDecay)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
