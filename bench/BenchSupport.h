// What the benchmarks share: the instrument in its hardest steady state, the
// scalar baseline measured at start-up, and the counters every figure carries.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "bench/PieceBaseline.h"
#include "engine/KeyModel.h"
#include "engine/RenderVariants.h"

constexpr double kSampleRate = 44100.0;
constexpr int kKernelBlock = 512;

// All 88 keys struck at velocity 100 and held, Sustain 1.0, the other values
// of the first factory program.
std::unique_ptr<KeyModel> fullPolyphonyModel();

// Strikes again any key that has fallen silent, so every pass renders all 88;
// returns how many keys it struck.
int keepAllSounding(KeyModel& model);

// Seconds per frame of the scalar kernel and of the selected kernel on one
// worker at full polyphony, and the dense piece on the scalar kernel, measured
// once before the benchmarks run.
struct Reference {
    double scalarSecondsPerFrame = 0.0;
    double selectedSecondsPerFrame = 0.0;
    PieceRun piece;
    double pieceScalarSecondsPerFrame = 0.0;
};
const Reference& reference();
void measureReference();

// Wall-clock time of the measured loop; workers run on other threads, so CPU
// time of the benchmark thread would miss them.
class Stopwatch {
public:
    void start() { begin = std::chrono::steady_clock::now(); }
    void stop() { total += std::chrono::steady_clock::now() - begin; }
    double seconds() const { return std::chrono::duration<double>(total).count(); }

private:
    std::chrono::steady_clock::time_point begin;
    std::chrono::steady_clock::duration total{};
};

// xRealTime: audio seconds rendered per second of wall time. xScalar: how many
// times faster than the scalar kernel rendering the same audio.
void reportRenderRate(benchmark::State& state, double frames, double seconds, double scalarSecondsPerFrame);
