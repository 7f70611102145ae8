// The position rules of the read-only streams over a resource's bytes: reads
// are all or nothing, seeks land inside the data or not at all, and seeking
// from the end is refused.
#pragma once

#include <cstdint>

namespace platform {

// Whether count bytes can be read at position; in 64 bits, so that
// position + count cannot wrap around.
inline bool readFits(std::uint32_t position, std::uint32_t count, std::uint32_t size) {
    return static_cast<std::uint64_t>(position) + count <= size;
}

enum class SeekAnswer { moved, refused, unknownOrigin };

// origin 0: from the start, 1: from the current position, 2: from the end.
inline SeekAnswer seekWithin(std::uint32_t size, std::uint32_t& position, std::int64_t move, std::uint32_t origin) {
    std::int64_t target = 0;
    switch (origin) {
        case 0:
            target = move;
            break;
        case 1:
            target = static_cast<std::int64_t>(position) + move;
            break;
        case 2:
            return SeekAnswer::refused;
        default:
            return SeekAnswer::unknownOrigin;
    }
    if (target < 0 || target >= static_cast<std::int64_t>(size)) return SeekAnswer::refused;
    position = static_cast<std::uint32_t>(target);
    return SeekAnswer::moved;
}

}  // namespace platform
