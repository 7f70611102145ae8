// What the benchmarks share: the instrument in its hardest steady state, the
// scalar baseline measured at start-up, and the counters every figure carries.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>

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

// Time of the measured loop. Work on one thread is timed with that thread's
// CPU clock, so other processes on a busy machine do not inflate it; work
// spread over the pool's threads can only be timed by the wall clock.
class Stopwatch {
public:
    enum Clock { wall, threadCpu };
    explicit Stopwatch(Clock clock = wall) : clock(clock) {}
    void start() { begin = now(); }
    void stop() { total += now() - begin; }
    double seconds() const { return total; }

private:
    double now() const {
        if (clock == threadCpu) {
            timespec t;
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    Clock clock;
    double begin = 0.0;
    double total = 0.0;
};

// xRealTime: audio seconds rendered per second of measured time. xScalar: how many
// times faster than the scalar kernel rendering the same audio.
void reportRenderRate(benchmark::State& state, double frames, double seconds, double scalarSecondsPerFrame);
