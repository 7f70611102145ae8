#include "render/DemoPiece.h"
#include "plugin/MidiVocabulary.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTicksPerQuarter = 480;

// Times and lengths in quarter notes from the start; four to a bar.
struct DemoNote {
    double beat;
    int note;
    int velocity;
    double length;
    bool leftHand;
};

constexpr bool R = false;
constexpr bool L = true;

// D minor, in five gestures: a pianissimo shimmer high in the treble, a
// melody over a bass that enters low, a crescendo with a rising run, a
// fortissimo peak that touches the top C and the bottom A, and a slowing,
// fading close on a major chord.
constexpr DemoNote kNotes[] = {
    // Bars 1-2: high arpeggios, pp.
    {0.0, 86, 22, 0.5, R},
    {0.5, 93, 18, 0.5, R},
    {1.0, 89, 20, 0.5, R},
    {1.5, 98, 28, 0.5, R},
    {2.0, 93, 20, 0.5, R},
    {2.5, 89, 18, 0.5, R},
    {3.0, 86, 20, 0.5, R},
    {3.5, 81, 16, 0.5, R},
    {4.0, 82, 22, 0.5, R},
    {4.5, 89, 18, 0.5, R},
    {5.0, 86, 20, 0.5, R},
    {5.5, 94, 30, 0.5, R},
    {6.0, 89, 20, 0.5, R},
    {6.5, 86, 18, 0.5, R},
    {7.0, 82, 18, 0.5, R},
    {7.5, 77, 15, 0.5, R},
    // Bar 3: the bass enters; a melody in the middle, p.
    {8.0, 26, 48, 4.0, L},
    {8.0, 38, 44, 4.0, L},
    {9.0, 50, 36, 1.0, L},
    {9.0, 53, 34, 1.0, L},
    {9.0, 57, 34, 1.0, L},
    {10.0, 50, 34, 1.0, L},
    {10.0, 53, 32, 1.0, L},
    {10.0, 57, 32, 1.0, L},
    {11.0, 50, 34, 1.0, L},
    {11.0, 53, 32, 1.0, L},
    {11.0, 57, 32, 1.0, L},
    {8.0, 69, 56, 1.5, R},
    {9.5, 67, 48, 0.5, R},
    {10.0, 65, 52, 1.0, R},
    {11.0, 64, 50, 1.0, R},
    // Bar 4.
    {12.0, 22, 50, 4.0, L},
    {12.0, 34, 46, 4.0, L},
    {13.0, 46, 38, 1.0, L},
    {13.0, 50, 36, 1.0, L},
    {13.0, 53, 36, 1.0, L},
    {14.0, 46, 36, 1.0, L},
    {14.0, 50, 34, 1.0, L},
    {14.0, 53, 34, 1.0, L},
    {15.0, 46, 38, 1.0, L},
    {15.0, 50, 36, 1.0, L},
    {15.0, 53, 36, 1.0, L},
    {12.0, 62, 54, 2.0, R},
    {14.0, 65, 58, 1.0, R},
    {15.0, 69, 62, 1.0, R},
    // Bar 5: the melody an octave up, mf.
    {16.0, 31, 64, 4.0, L},
    {16.0, 43, 60, 4.0, L},
    {17.0, 55, 52, 1.0, L},
    {17.0, 58, 50, 1.0, L},
    {17.0, 62, 50, 1.0, L},
    {18.0, 55, 54, 1.0, L},
    {18.0, 58, 52, 1.0, L},
    {18.0, 62, 52, 1.0, L},
    {19.0, 55, 56, 1.0, L},
    {19.0, 58, 54, 1.0, L},
    {19.0, 62, 54, 1.0, L},
    {16.0, 74, 72, 1.0, R},
    {17.0, 72, 66, 0.5, R},
    {17.5, 70, 66, 0.5, R},
    {18.0, 69, 70, 1.0, R},
    {19.0, 67, 68, 1.0, R},
    // Bar 6: crescendo into a rising run.
    {20.0, 33, 74, 4.0, L},
    {20.0, 45, 70, 4.0, L},
    {21.0, 57, 62, 1.0, L},
    {21.0, 61, 60, 1.0, L},
    {21.0, 64, 60, 1.0, L},
    {20.0, 76, 78, 1.5, R},
    {21.5, 73, 74, 0.5, R},
    {22.0, 69, 76, 0.25, R},
    {22.25, 73, 80, 0.25, R},
    {22.5, 76, 84, 0.25, R},
    {22.75, 81, 88, 0.25, R},
    {23.0, 85, 94, 0.5, R},
    {23.5, 88, 100, 0.5, R},
    // Bar 7: f.
    {24.0, 22, 100, 4.0, L},
    {24.0, 34, 96, 4.0, L},
    {24.0, 58, 90, 2.0, L},
    {24.0, 62, 88, 2.0, L},
    {24.0, 65, 88, 2.0, L},
    {26.0, 58, 84, 2.0, L},
    {26.0, 62, 82, 2.0, L},
    {26.0, 65, 82, 2.0, L},
    {24.0, 77, 104, 2.0, R},
    {24.0, 86, 106, 2.0, R},
    {26.0, 84, 98, 1.0, R},
    {27.0, 82, 96, 1.0, R},
    // Bar 8.
    {28.0, 24, 106, 4.0, L},
    {28.0, 36, 102, 4.0, L},
    {28.0, 60, 96, 2.0, L},
    {28.0, 64, 94, 2.0, L},
    {28.0, 67, 94, 2.0, L},
    {30.0, 60, 98, 2.0, L},
    {30.0, 64, 96, 2.0, L},
    {30.0, 67, 96, 2.0, L},
    {28.0, 88, 108, 2.0, R},
    {30.0, 91, 112, 1.0, R},
    {31.0, 88, 106, 1.0, R},
    // Bar 9: ff, up to the top key.
    {32.0, 29, 104, 4.0, L},
    {32.0, 41, 96, 4.0, L},
    {32.0, 53, 90, 2.0, L},
    {32.0, 57, 88, 2.0, L},
    {32.0, 60, 88, 2.0, L},
    {32.0, 65, 90, 2.0, L},
    {32.0, 96, 100, 2.0, R},
    {32.0, 108, 114, 2.0, R},
    {34.0, 93, 118, 1.0, R},
    {35.0, 89, 112, 1.0, R},
    // Bar 10: down to the bottom key, and the first step back.
    {36.0, 21, 96, 4.0, L},
    {36.0, 33, 80, 4.0, L},
    {36.0, 55, 88, 2.0, L},
    {36.0, 61, 86, 2.0, L},
    {36.0, 64, 86, 2.0, L},
    {36.0, 69, 88, 2.0, L},
    {38.0, 55, 88, 2.0, L},
    {38.0, 61, 86, 2.0, L},
    {38.0, 64, 86, 2.0, L},
    {36.0, 100, 108, 2.0, R},
    {38.0, 97, 100, 1.0, R},
    {39.0, 93, 84, 1.0, R},
    // Bar 11: slower, fading.
    {40.0, 26, 62, 4.0, L},
    {40.0, 38, 56, 4.0, L},
    {41.0, 62, 46, 3.0, L},
    {41.0, 65, 44, 3.0, L},
    {41.0, 69, 44, 3.0, L},
    {40.0, 77, 50, 2.0, R},
    {42.0, 76, 40, 1.0, R},
    {43.0, 74, 34, 1.0, R},
    // Bar 12: a quiet major close, with one last high D.
    {44.0, 26, 36, 4.0, L},
    {44.0, 38, 32, 4.0, L},
    {44.0, 45, 28, 4.0, L},
    {44.0, 50, 26, 4.0, L},
    {44.0, 54, 24, 4.0, R},
    {44.0, 57, 24, 4.0, R},
    {44.0, 62, 22, 4.0, R},
    {44.0, 66, 24, 4.0, R},
    {45.0, 98, 14, 3.0, R},
};

// Pedal changes a little after each bar line, so the old harmony is cleared
// and the new one caught; it lifts after the last chord has rung.
struct PedalChange {
    double beat;
    bool down;
};

constexpr PedalChange kPedal[] = {
    {0.125, true},  {4.0, false},  {4.125, true},  {8.0, false},  {8.125, true},  {12.0, false},
    {12.125, true}, {16.0, false}, {16.125, true}, {20.0, false}, {20.125, true}, {24.0, false},
    {24.125, true}, {28.0, false}, {28.125, true}, {32.0, false}, {32.125, true}, {36.0, false},
    {36.125, true}, {40.0, false}, {40.125, true}, {44.0, false}, {44.125, true}, {49.0, false},
};

struct DemoTempo {
    double beat;
    double beatsPerMinute;
};

constexpr DemoTempo kTempi[] = {{0.0, 104.0}, {40.0, 72.0}, {44.0, 60.0}};

std::int64_t ticksAt(double beat) { return std::llround(beat * kTicksPerQuarter); }

// At one tick, releases go first, then the pedal, then new strikes: a key
// struck again on the same tick is struck, and a pedal lifted on a bar line
// does not hold the notes that start there.
enum class Order { release, pedal, strike };

struct OrderedMessage {
    MidiMessage message;
    Order order;
};

MidiMessage message(std::int64_t tick, int status, int data1, int data2) {
    MidiMessage result;
    result.tick = tick;
    result.bytes[0] = static_cast<std::uint8_t>(status);
    result.bytes[1] = static_cast<std::uint8_t>(data1);
    result.bytes[2] = static_cast<std::uint8_t>(data2);
    return result;
}

}  // namespace

MidiSequence demoPiece() {
    std::vector<OrderedMessage> ordered;
    for (const DemoNote& note : kNotes) {
        const int channel = note.leftHand ? 1 : 0;
        ordered.push_back(
            {message(ticksAt(note.beat), midi::kNoteOn | channel, note.note, note.velocity), Order::strike});
        ordered.push_back(
            {message(ticksAt(note.beat + note.length), midi::kNoteOff | channel, note.note, 64), Order::release});
    }
    for (const PedalChange& change : kPedal)
        ordered.push_back(
            {message(ticksAt(change.beat), midi::kControlChange, midi::kSustainPedal, change.down ? 127 : 0),
             Order::pedal});
    std::stable_sort(ordered.begin(), ordered.end(), [](const OrderedMessage& a, const OrderedMessage& b) {
        if (a.message.tick != b.message.tick) return a.message.tick < b.message.tick;
        return a.order < b.order;
    });

    MidiSequence sequence;
    sequence.ticksPerQuarter = kTicksPerQuarter;
    for (const OrderedMessage& entry : ordered) sequence.messages.push_back(entry.message);
    for (const DemoTempo& tempo : kTempi)
        sequence.tempos.push_back(
            {ticksAt(tempo.beat), static_cast<std::uint32_t>(std::llround(60e6 / tempo.beatsPerMinute))});
    sequence.endTick = sequence.messages.back().tick;
    return sequence;
}
