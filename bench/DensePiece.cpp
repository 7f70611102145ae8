#include "bench/DensePiece.h"

#include <algorithm>

namespace {

constexpr std::int64_t kSixteenth = 4725;  // 140 beats per minute at 44100 Hz
constexpr int kBars = 8;
constexpr std::int64_t kBar = 16 * kSixteenth;
constexpr std::int64_t kPedalRetake = 1500;

struct Chord {
    int root;  // MIDI note of the bass
    bool minor;
};
constexpr Chord kProgression[kBars] = {{36, false}, {33, true}, {29, false}, {31, false},
                                       {36, false}, {28, true}, {29, false}, {31, false}};

}  // namespace

DensePiece::DensePiece() : loopFrames(kBars * kBar) {
    auto note = [this](std::int64_t at, std::int64_t length, int key, int velocity) {
        messages.push_back({at, 0x90, static_cast<unsigned char>(key), static_cast<unsigned char>(velocity)});
        messages.push_back({std::min(at + length, loopFrames - 1), 0x80, static_cast<unsigned char>(key), 0});
    };
    for (int bar = 0; bar < kBars; ++bar) {
        const std::int64_t start = bar * kBar;
        const Chord chord = kProgression[bar];
        const int intervals[3] = {0, chord.minor ? 3 : 4, 7};
        messages.push_back({start, 0xB0, 64, 0});
        messages.push_back({start + kPedalRetake, 0xB0, 64, 127});

        // The figure: chord tones from two octaves above the bass upwards, up and down.
        std::vector<int> tones;
        for (int octave = 2; octave <= 4; ++octave)
            for (int interval : intervals) tones.push_back(chord.root + 12 * octave + interval);
        for (int i = 0; i < 16; ++i) {
            const int up = i < 8 ? i : 16 - i;
            const int key = tones[static_cast<std::size_t>(up) % tones.size()];
            note(start + i * kSixteenth + (i % 3) * 40, 3 * kSixteenth, key,
                 64 + (i % 4 == 0 ? 36 : 0) + (i * 7) % 13);
        }
        for (int beat = 0; beat < 4; ++beat) {
            const std::int64_t at = start + beat * 4 * kSixteenth;
            // Right-hand chord on every beat, slightly spread.
            for (int v = 0; v < 3; ++v) note(at + 30 * v, 4 * kSixteenth, chord.root + 36 + intervals[v], 90);
            if (beat % 2 == 0) {
                note(at, 8 * kSixteenth, chord.root - 12, 100);
                note(at + 11, 8 * kSixteenth, chord.root, 96);
            } else {
                for (int v = 0; v < 3; ++v) note(at + 7 * v, 4 * kSixteenth, chord.root + 12 + intervals[v], 75);
            }
        }
    }
    std::stable_sort(messages.begin(), messages.end(),
                     [](const PieceMessage& a, const PieceMessage& b) { return a.frame < b.frame; });
}
