// A dense pedalled piece as a player would give the instrument: a running
// sixteenth-note figure over three octaves, chords on every beat, bass octaves,
// and the pedal held through each bar and taken again at the next. It loops
// every eight bars.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

struct PieceMessage {
    std::int64_t frame;
    unsigned char status, data1, data2;
};

class DensePiece {
public:
    DensePiece();

    // The messages whose frames fall in [start, start + frames), in order.
    // Frames count on from the start across loops.
    template <class Visit>
    void messagesIn(std::int64_t start, int frames, Visit visit) const {
        for (std::int64_t f = start; f < start + frames;) {
            const std::int64_t loopStart = f - f % loopFrames;
            const std::int64_t end = std::min(start + frames, loopStart + loopFrames);
            for (const PieceMessage& m : messages)
                if (m.frame >= f - loopStart && m.frame < end - loopStart)
                    visit(PieceMessage{loopStart + m.frame, m.status, m.data1, m.data2});
            f = end;
        }
    }

    std::int64_t loopLength() const { return loopFrames; }

private:
    std::vector<PieceMessage> messages;  // sorted by frame, within one loop
    std::int64_t loopFrames;
};
