// Saved banks and programs hold the instrument's values as raw floats. A NaN
// or an infinity there mutes or deafens the piano and is saved again with
// it, so a file holding one counts as damaged, as a wrong size does.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Empty when every value in the chunk's program records is a finite number;
// otherwise which program first holds one that is not. A chunk that is not
// whole records is left to the size checks.
std::string nonFiniteProgramValue(std::span<const std::uint8_t> chunk);
