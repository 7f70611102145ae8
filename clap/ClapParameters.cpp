#include "clap/ClapParameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin/ParameterNames.h"
#include "plugin/ProgramRecord.h"

namespace clapparam {

namespace {

void copyName(char* out, std::size_t size, const char* name) {
    std::snprintf(out, size, "%s", name);
}

bool isBlank(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t') return false;
    return true;
}

}  // namespace

bool isValue(clap_id id) { return id < static_cast<clap_id>(kNumParameters); }

bool info(std::uint32_t index, clap_param_info_t& info) {
    if (index >= kCount) return false;
    info = {};
    info.id = index;
    info.cookie = nullptr;
    if (isValue(index)) {
        info.flags = CLAP_PARAM_IS_AUTOMATABLE;
        copyName(info.name, sizeof info.name, kParameterNames[index]);
        info.min_value = 0.0;
        info.max_value = 1.0;
        info.default_value = kFactoryPrograms[0].parameters[index];
    } else {
        info.flags = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED;
        copyName(info.name, sizeof info.name, "Program");
        info.min_value = 0.0;
        info.max_value = kNumPrograms - 1;
        info.default_value = 0.0;
    }
    return true;
}

std::optional<double> clamped(clap_id id, double value) {
    if (!std::isfinite(value) || id >= kCount) return std::nullopt;
    if (isValue(id)) return std::clamp(value, 0.0, 1.0);
    return std::clamp(std::round(value), 0.0, double(kNumPrograms - 1));
}

bool toText(clap_id id, double value, char* text, std::uint32_t size) {
    const std::optional<double> shown = clamped(id, value);
    if (!shown || !text || size == 0) return false;
    const int length = isValue(id) ? std::snprintf(text, size, "%.3f", *shown)
                                   : std::snprintf(text, size, "%.*s", kProgramNameSize,
                                                   kFactoryPrograms[static_cast<int>(*shown)].name);
    return length >= 0 && static_cast<std::uint32_t>(length) < size;
}

std::optional<double> fromText(clap_id id, const char* text) {
    if (!text || id >= kCount) return std::nullopt;
    if (!isValue(id))
        for (int program = 0; program < kNumPrograms; ++program)
            if (std::strncmp(text, kFactoryPrograms[program].name, kProgramNameSize) == 0) return program;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !isBlank(end)) return std::nullopt;
    return clamped(id, value);
}

}  // namespace clapparam
