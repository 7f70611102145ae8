#include <bit>
#include <cstdint>

#include "plugin/ProgramRecord.h"

namespace {

constexpr float bits(std::uint32_t pattern) { return std::bit_cast<float>(pattern); }

}  // namespace

const ProgramRecord kFactoryPrograms[kNumPrograms] = {
    {{bits(0x3F000000), bits(0x3E4CCCCD), bits(0x3F333333), bits(0x3EB33333)}, "bright"},
    {{bits(0x3F000000), bits(0x3F800000), bits(0x3F333333), bits(0x3EB33333)}, "plastic"},
    {{bits(0x3F000000), bits(0x3E4CCCCD), bits(0x3F333333), bits(0x3EE66666)}, "metallic"},
    {{bits(0x3F000000), bits(0x3E2E147B), bits(0x3F59999A), bits(0x3ECCCCCD)}, "expressive"},
};
