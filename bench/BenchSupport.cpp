#include "bench/BenchSupport.h"

#include <vector>

#include "engine/RenderVariants.h"
#include "plugin/ProgramRecord.h"

namespace {

// Held keys then lose the least, so all 88 go on sounding.
constexpr float kLongestSustain = 1.0f;

Reference measured;

// Best of several runs of one worker over all keys at full polyphony.
double secondsPerFrame(RenderFunction render, int blocks) {
    auto model = fullPolyphonyModel();
    std::vector<float> left(kKernelBlock);
    std::vector<float> right(kKernelBlock);
    RenderJob job{0, 1, model.get(), left.data(), right.data(), kKernelBlock};
    render(&job);
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        Stopwatch watch(Stopwatch::threadCpu);
        for (int b = 0; b < blocks; ++b) {
            keepAllSounding(*model);
            watch.start();
            render(&job);
            watch.stop();
        }
        best = std::min(best, watch.seconds() / (static_cast<double>(blocks) * kKernelBlock));
    }
    return best;
}

}  // namespace

std::unique_ptr<KeyModel> fullPolyphonyModel() {
    auto model = std::make_unique<KeyModel>();
    const ProgramRecord& first = kFactoryPrograms[0];
    if (!model->prepare(first.parameters[kMetalPlastic], kLongestSustain, first.parameters[kDamper])) return nullptr;
    for (int k = 0; k < kNumKeys; ++k) model->noteOn(k, 100);
    return model;
}

int keepAllSounding(KeyModel& model) {
    int struck = 0;
    for (int k = 0; k < kNumKeys; ++k) {
        if (model.active[k] == 0) {
            model.noteOn(k, 100);
            ++struck;
        }
    }
    return struck;
}

const Reference& reference() { return measured; }

void measureReference() {
    measured.scalarSecondsPerFrame = secondsPerFrame(renderKeysScalar, 40);
    measured.selectedSecondsPerFrame = secondsPerFrame(selectedRenderVariant().render, 200);
    const DensePiece piece;
    measured.piece = playPieceInProcess(piece, renderKeysScalar);
    measured.pieceScalarSecondsPerFrame = measured.piece.seconds / static_cast<double>(pieceFrames(piece));
}

void reportRenderRate(benchmark::State& state, double frames, double seconds, double scalarSecondsPerFrame) {
    state.counters["xRealTime"] = frames / kSampleRate / seconds;
    state.counters["xScalar"] = scalarSecondsPerFrame * frames / seconds;
}
