#include "bench/PieceBaseline.h"

#include <memory>
#include <new>
#include <vector>

#include "bench/BenchSupport.h"
#include "plugin/MidiVocabulary.h"
#include "plugin/ProgramRecord.h"

namespace {

// The piece is played on the first factory program.
const ProgramRecord& kProgram = kFactoryPrograms[0];

void apply(KeyModel& keys, const PieceMessage& m) {
    const int status = midi::statusKind(m.status);
    if (status == midi::kControlChange && m.data1 == midi::kSustainPedal) {
        if (m.data2 != 0)
            keys.sustainDown();
        else
            keys.sustainUp();
    } else if (status == midi::kNoteOn && m.data2 != 0) {
        keys.noteOn(midi::keyOfNote(m.data1), m.data2);
    } else if (status == midi::kNoteOff || status == midi::kNoteOn) {
        keys.noteOff(midi::keyOfNote(m.data1));
    }
}

float clip(float x) { return x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x); }

}  // namespace

std::int64_t pieceFrames(const DensePiece& piece) { return piece.loopLength() / 2 / kPieceBlock * kPieceBlock; }

PieceRun playPieceInProcess(const DensePiece& piece, RenderFunction render) {
    auto keys = std::make_unique<KeyModel>();
    if (!keys->prepare(kProgram.parameters[kMetalPlastic], kProgram.parameters[kSustain],
                       kProgram.parameters[kDamper]))
        throw std::bad_alloc();
    const float volume = kProgram.parameters[kVolume];
    std::vector<float> sumL(kPieceBlock);
    std::vector<float> sumR(kPieceBlock);
    std::vector<float> outL(kPieceBlock);
    std::vector<float> outR(kPieceBlock);
    std::vector<PieceMessage> due;
    PieceRun run;
    long activeSum = 0;
    long blocks = 0;

    Stopwatch watch(Stopwatch::threadCpu);
    watch.start();
    for (std::int64_t start = 0; start < pieceFrames(piece); start += kPieceBlock) {
        due.clear();
        piece.messagesIn(start, kPieceBlock, [&due](const PieceMessage& m) { due.push_back(m); });
        std::size_t next = 0;
        for (int done = 0; done < kPieceBlock;) {
            while (next < due.size() && due[next].frame - start <= done) apply(*keys, due[next++]);
            int n = kPieceBlock - done;
            if (next < due.size()) n = static_cast<int>(due[next].frame - start) - done;
            RenderJob job{0, 1, keys.get(), sumL.data(), sumR.data(), n};
            render(&job);
            for (int i = 0; i < n; ++i) {
                outL[done + i] = clip(volume * (0.0f + sumL[i]));
                outR[done + i] = clip(volume * (0.0f + sumR[i]));
            }
            done += n;
        }
        int active = 0;
        for (int k = 0; k < kNumKeys; ++k) active += keys->active[k] != 0;
        activeSum += active;
        run.mostActiveKeys = std::max(run.mostActiveKeys, active);
        ++blocks;
    }
    watch.stop();
    run.seconds = watch.seconds();
    run.averageActiveKeys = static_cast<double>(activeSum) / static_cast<double>(blocks);
    return run;
}
