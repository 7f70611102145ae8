// Rendering through the worker pool: the full-polyphony kernel split over every
// worker and mixed as the plug-in mixes it, and the bare cost of one pass.
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/BenchSupport.h"
#include "plugin/OutputMix.h"
#include "plugin/WorkerPool.h"

namespace {

void runJob(void* job) { renderKeys(static_cast<RenderJob*>(job)); }

// A render job that notes the processor it started on.
struct PlacedJob {
    RenderJob job;
    int processor = -1;
};

void runPlacedJob(void* argument) {
    auto* placed = static_cast<PlacedJob*>(argument);
    placed->processor = sched_getcpu();
    renderKeys(&placed->job);
}

// The same, after binding the running thread to one processor.
struct PinnedJob {
    PlacedJob placed;
    int processor = 0;
    bool pinned = false;
};

void runPinnedJob(void* argument) {
    auto* job = static_cast<PinnedJob*>(argument);
    if (!job->pinned) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(job->processor, &one);
        sched_setaffinity(0, sizeof one, &one);
        job->pinned = true;
    }
    runPlacedJob(&job->placed);
}

void BM_Pool(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    // Argument 2: the calling thread and worker w bound to processors 0 and w.
    const bool pinned = state.range(1) != 0;
    auto model = fullPolyphonyModel();
    WorkerPool pool;
    const int workers = pool.workerCount();
    MixBuffer buffers[WorkerPool::kMaxWorkers];
    PinnedJob pinnedJobs[WorkerPool::kMaxWorkers];
    for (int w = 0; w < workers; ++w) {
        buffers[w].left.reset(new float[frames]);
        buffers[w].right.reset(new float[frames]);
        pinnedJobs[w].placed.job = {w, workers, model.get(), buffers[w].left.get(), buffers[w].right.get(), frames};
        pinnedJobs[w].processor = w;
    }
    cpu_set_t callerAffinity;
    sched_getaffinity(0, sizeof callerAffinity, &callerAffinity);
    std::vector<float> left(frames);
    std::vector<float> right(frames);
    Stopwatch watch;
    std::vector<double> blocks;
    double rendered = 0;
    double sharedProcessor = 0;
    for (auto _ : state) {
        keepAllSounding(*model);
        const double before = watch.seconds();
        watch.start();
        pool.followCallerScheduling(frames);
        for (int w = 0; w < workers; ++w)
            pool.setJob(w, pinned ? runPinnedJob : runPlacedJob,
                        pinned ? static_cast<void*>(&pinnedJobs[w]) : &pinnedJobs[w].placed);
        pool.runAll();
        mixWorkers(
            buffers, workers, [] { return 0.5f; }, left.data(), right.data(), frames);
        watch.stop();
        blocks.push_back(watch.seconds() - before);
        if (workers > 1 && pinnedJobs[0].placed.processor == pinnedJobs[1].placed.processor) ++sharedProcessor;
        benchmark::DoNotOptimize(left.data());
        rendered += frames;
    }
    if (pinned) sched_setaffinity(0, sizeof callerAffinity, &callerAffinity);
    reportRenderRate(state, rendered, watch.seconds(), reference().scalarSecondsPerFrame);
    state.counters["xOneWorker"] = reference().selectedSecondsPerFrame * rendered / watch.seconds();
    // Other processes taking a processor for a while show in the mean; the
    // median block is what the pool does when it has the processors.
    std::sort(blocks.begin(), blocks.end());
    const double median = blocks[blocks.size() / 2];
    state.counters["xOneWorkerMedian"] = reference().selectedSecondsPerFrame * frames / median;
    state.counters["xRealTimeMedian"] = frames / kSampleRate / median;
    state.counters["workers"] = workers;
    // Passes in which the first two jobs started on the same processor.
    state.counters["sharedProcessor"] = sharedProcessor / static_cast<double>(blocks.size());
}
BENCHMARK(BM_Pool)->ArgsProduct({{512, 64}, {0, 1}})->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same pass with only the `keys` highest keys sounding, at 64-frame
// stretches: run on the calling thread alone (mode 0) or with the workers
// (mode 1). Where the two cross over is the work worth a pass.
void BM_LightStretch(benchmark::State& state) {
    const int keys = static_cast<int>(state.range(0));
    const bool withWorkers = state.range(1) != 0;
    constexpr int kFrames = 64;
    auto model = fullPolyphonyModel();
    for (int k = 0; k < kNumKeys - keys; ++k) model->active[k] = 0;
    WorkerPool pool;
    const int workers = pool.workerCount();
    MixBuffer buffers[WorkerPool::kMaxWorkers];
    RenderJob jobs[WorkerPool::kMaxWorkers];
    for (int w = 0; w < workers; ++w) {
        buffers[w].left.reset(new float[kFrames]);
        buffers[w].right.reset(new float[kFrames]);
        jobs[w] = {w, workers, model.get(), buffers[w].left.get(), buffers[w].right.get(), kFrames};
        pool.setJob(w, runJob, &jobs[w]);
    }
    std::int64_t points = 0;
    for (int k = kNumKeys - keys; k < kNumKeys; ++k) points += model->soundingPoints(k);
    std::vector<double> stretches;
    for (auto _ : state) {
        for (int k = kNumKeys - keys; k < kNumKeys; ++k)
            if (model->active[k] == 0) model->noteOn(k, 100);
        const auto begin = std::chrono::steady_clock::now();
        if (withWorkers)
            pool.runAll();
        else
            pool.runAllOnCallingThread();
        const auto end = std::chrono::steady_clock::now();
        stretches.push_back(std::chrono::duration<double>(end - begin).count());
    }
    std::sort(stretches.begin(), stretches.end());
    state.counters["work"] = static_cast<double>(points * kFrames);
    state.counters["usMedian"] = stretches[stretches.size() / 2] * 1e6;
    state.counters["usP99"] = stretches[static_cast<std::size_t>(0.99 * (stretches.size() - 1))] * 1e6;
}
BENCHMARK(BM_LightStretch)
    ->ArgsProduct({{4, 8, 16, 24, 32, 44, 60, 88}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// Wake every worker with nothing to do and wait for all of them; each pass is
// timed on its own, so the median and the slow tail show apart from the mean.
void BM_PoolPass(benchmark::State& state) {
    WorkerPool pool;
    if (pool.workerCount() < 2) {
        state.SkipWithError("one processor: no pool");
        return;
    }
    for (int w = 0; w < pool.workerCount(); ++w) pool.setJob(w, nullptr, nullptr);
    std::vector<double> passes;
    passes.reserve(1 << 20);
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        pool.runAll();
        const auto end = std::chrono::steady_clock::now();
        if (passes.size() < passes.capacity()) passes.push_back(std::chrono::duration<double>(end - begin).count());
    }
    std::sort(passes.begin(), passes.end());
    const auto at = [&passes](double q) { return passes[static_cast<std::size_t>(q * (passes.size() - 1))] * 1e6; };
    state.counters["usPerPassMedian"] = at(0.5);
    state.counters["usPerPassP99"] = at(0.99);
    state.counters["workers"] = pool.workerCount();
}
BENCHMARK(BM_PoolPass)->UseRealTime();

}  // namespace
