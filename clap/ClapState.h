// What the CLAP instrument saves: the four values it plays (MIDI Volume may
// have moved Volume) and the program last picked. A tag and version byte,
// four floats in little-endian order, the program's index.
#pragma once

#include <clap/stream.h>

#include <array>
#include <optional>

#include "engine/Parameters.h"

struct ClapState {
    std::array<float, kNumParameters> values{};
    int program = 0;

    // Whatever sizes the stream takes or gives per call.
    bool write(const clap_ostream_t& stream) const;
    // Nothing for a short or failing stream, another version, or values out of range.
    static std::optional<ClapState> read(const clap_istream_t& stream);
};
