// Measures the scalar baseline first, so every benchmark can state its figure
// as a multiple of it, then runs the benchmarks.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchSupport.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    measureReference();
    const Reference& ref = reference();
    benchmark::AddCustomContext("kernel", selectedRenderVariant().name);
    benchmark::AddCustomContext("scalar baseline, 88 keys, one worker",
                                std::to_string(1.0 / (ref.scalarSecondsPerFrame * kSampleRate)) + " x real time");
    benchmark::AddCustomContext("selected kernel, 88 keys, one worker",
                                std::to_string(1.0 / (ref.selectedSecondsPerFrame * kSampleRate)) + " x real time");
    benchmark::AddCustomContext("dense piece on the scalar kernel",
                                std::to_string(1.0 / (ref.pieceScalarSecondsPerFrame * kSampleRate)) +
                                    " x real time, keys sounding: average " +
                                    std::to_string(ref.piece.averageActiveKeys) + ", most " +
                                    std::to_string(ref.piece.mostActiveKeys));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
