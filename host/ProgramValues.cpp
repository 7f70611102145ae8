#include "host/ProgramValues.h"

#include <cmath>
#include <cstring>

#include "plugin/ProgramRecord.h"

std::string nonFiniteProgramValue(std::span<const std::uint8_t> chunk) {
    if (chunk.size() % sizeof(ProgramRecord) != 0) return {};
    for (std::size_t offset = 0; offset < chunk.size(); offset += sizeof(ProgramRecord)) {
        ProgramRecord record;
        std::memcpy(&record, chunk.data() + offset, sizeof record);
        for (const float value : record.parameters)
            if (!std::isfinite(value))
                return "program " + std::to_string(offset / sizeof(ProgramRecord)) +
                       " holds a value that is not a finite number";
    }
    return {};
}
