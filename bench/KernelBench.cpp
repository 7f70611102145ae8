// The kernel alone at full polyphony on one worker: the scalar baseline and
// every build this processor can run.
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/RenderVariants.h"

namespace {

void renderFullPolyphony(benchmark::State& state, RenderFunction render) {
    auto model = fullPolyphonyModel();
    std::vector<float> left(kKernelBlock);
    std::vector<float> right(kKernelBlock);
    RenderJob job{0, 1, model.get(), left.data(), right.data(), kKernelBlock};
    Stopwatch watch(Stopwatch::threadCpu);
    double frames = 0;
    int restruck = 0;
    for (auto _ : state) {
        restruck += keepAllSounding(*model);
        watch.start();
        render(&job);
        watch.stop();
        benchmark::DoNotOptimize(left.data());
        frames += kKernelBlock;
    }
    reportRenderRate(state, frames, watch.seconds(), reference().scalarSecondsPerFrame);
    state.counters["restruck"] = restruck;
}

void BM_ScalarBaseline(benchmark::State& state) { renderFullPolyphony(state, renderKeysScalar); }
BENCHMARK(BM_ScalarBaseline)->Unit(benchmark::kMicrosecond);

void BM_Kernel(benchmark::State& state) {
    const RenderVariant& variant = kRenderVariants[state.range(0)];
    if (!variant.supported()) {
        state.SkipWithError("not supported by this processor");
        return;
    }
    state.SetLabel(variant.name);
    renderFullPolyphony(state, variant.render);
}
BENCHMARK(BM_Kernel)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
