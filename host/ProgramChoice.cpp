#include "host/ProgramChoice.h"

#include <cctype>

#include "host/UsageError.h"

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isWholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

int programChosen(PluginHost& plugin, const std::string& numberOrName) {
    std::string names;
    for (int i = 0; i < plugin.programCount(); ++i) {
        const std::string candidate = plugin.programName(i);
        if (lowerCase(candidate) == lowerCase(numberOrName)) return i;
        names += (names.empty() ? "" : ", ") + candidate;
    }
    if (isWholeNumber(numberOrName) && std::stoi(numberOrName) < plugin.programCount())
        return std::stoi(numberOrName);
    throw UsageError("--program wants 0.." + std::to_string(plugin.programCount() - 1) + " or a program name (" +
                     names + "), not '" + numberOrName + "'");
}
