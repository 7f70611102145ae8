// The CLAP parameters: the four values of the instrument, ids 0..3 in their
// order, and the Program, a stepped parameter whose four steps are the
// factory programs. A host lists and automates it like any parameter; a
// change of it sets the four values to that program's.
#pragma once

#include <clap/ext/params.h>

#include <cstdint>
#include <optional>

#include "engine/Parameters.h"

namespace clapparam {

constexpr clap_id kProgram = kNumParameters;
constexpr std::uint32_t kCount = kNumParameters + 1;

bool isValue(clap_id id);
bool info(std::uint32_t index, clap_param_info_t& info);
// Within 0..1, or a program's index; nothing for a non-finite value.
std::optional<double> clamped(clap_id id, double value);
// False when the text does not fit in size bytes.
bool toText(clap_id id, double value, char* text, std::uint32_t size);
std::optional<double> fromText(clap_id id, const char* text);

}  // namespace clapparam
