#include "clap/ClapState.h"

#include <cstdint>

#include "host/LittleEndian.h"
#include "plugin/ProgramRecord.h"

namespace {

constexpr std::uint8_t kTag[3] = {'Q', 'M', '4'};
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kSize = sizeof kTag + 1 + 4 * kNumParameters + 1;
using Blob = std::array<std::uint8_t, kSize>;

}  // namespace

bool ClapState::write(const clap_ostream_t& stream) const {
    Blob blob{kTag[0], kTag[1], kTag[2], kVersion};
    for (int i = 0; i < kNumParameters; ++i) putLittleEndianFloat(&blob[4 + 4 * i], values[i]);
    blob[kSize - 1] = static_cast<std::uint8_t>(program);
    for (std::size_t done = 0; done < kSize;) {
        const std::int64_t wrote = stream.write(&stream, blob.data() + done, kSize - done);
        if (wrote <= 0 || static_cast<std::uint64_t>(wrote) > kSize - done) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::optional<ClapState> ClapState::read(const clap_istream_t& stream) {
    Blob blob{};
    for (std::size_t done = 0; done < kSize;) {
        const std::int64_t got = stream.read(&stream, blob.data() + done, kSize - done);
        if (got <= 0 || static_cast<std::uint64_t>(got) > kSize - done) return std::nullopt;
        done += static_cast<std::size_t>(got);
    }
    if (blob[0] != kTag[0] || blob[1] != kTag[1] || blob[2] != kTag[2] || blob[3] != kVersion) return std::nullopt;
    ClapState state;
    for (int i = 0; i < kNumParameters; ++i) {
        state.values[i] = getLittleEndianFloat(&blob[4 + 4 * i]);
        if (!(state.values[i] >= 0.0f && state.values[i] <= 1.0f)) return std::nullopt;
    }
    state.program = blob[kSize - 1];
    if (state.program >= kNumPrograms) return std::nullopt;
    return state;
}
