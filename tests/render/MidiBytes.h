// Standard MIDI File bytes written by hand, so every test states exactly what
// the renderer is given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes variableLength(std::uint32_t value) {
    Bytes reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7) reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return Bytes(reversed.rbegin(), reversed.rend());
}

class TrackBytes {
public:
    // A delta time and the raw event bytes after it (running status allowed).
    TrackBytes& event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
        const Bytes time = variableLength(delta);
        data.insert(data.end(), time.begin(), time.end());
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TrackBytes& tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
        return event(
            delta, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsPerQuarter >> 16),
                    static_cast<std::uint8_t>(microsPerQuarter >> 8), static_cast<std::uint8_t>(microsPerQuarter)});
    }
    TrackBytes& end(std::uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    Bytes chunk() const {
        Bytes out{'M', 'T', 'r', 'k'};
        appendLength(out, static_cast<std::uint32_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }

    static void appendLength(Bytes& out, std::uint32_t length) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(length >> shift));
    }

private:
    Bytes data;
};

inline Bytes midiFile(int format, int division, const std::vector<TrackBytes>& tracks) {
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(format)};
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(tracks.size()));
    out.push_back(static_cast<std::uint8_t>(division >> 8));
    out.push_back(static_cast<std::uint8_t>(division));
    for (const TrackBytes& track : tracks) {
        const Bytes chunk = track.chunk();
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}
