#include "play/PlayerSettings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/HostError.h"
#include "host/ProgramValues.h"
#include "host/WholeFile.h"

namespace {

constexpr std::size_t kProgramBytes = 4;
constexpr std::size_t kMaxSettingsBytes = 1 << 16;

void makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            throw fileError(folder, std::string("cannot create the settings folder: ") + std::strerror(errno));
    }
}

}  // namespace

std::string playerSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/quenor-m4/player-settings";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/quenor-m4/player-settings";
    return {};
}

std::optional<PlayerSettings> loadPlayerSettings(const std::string& path, std::size_t bankBytes, int programCount,
                                                 std::string& problem) {
    struct stat info;
    // No file, or no folder that could hold one: nothing saved yet.
    if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile(path, kMaxSettingsBytes);
    } catch (const HostError& error) {
        problem = std::string(error.what()) + "; playing the factory programs";
        return std::nullopt;
    }
    std::string damage;
    std::uint32_t program = 0;
    if (bytes.size() != bankBytes + kProgramBytes) {
        damage = std::to_string(bytes.size()) + " bytes where settings have " +
                 std::to_string(bankBytes + kProgramBytes);
    } else {
        for (std::size_t i = 0; i < kProgramBytes; ++i) program |= std::uint32_t{bytes[bankBytes + i]} << (8 * i);
        if (program >= static_cast<std::uint32_t>(programCount))
            damage = "program " + std::to_string(program) + " where there are " + std::to_string(programCount);
        else
            damage = nonFiniteProgramValue(std::span(bytes).first(bankBytes));
    }
    if (damage.empty()) {
        PlayerSettings settings;
        settings.bank.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bankBytes));
        settings.program = static_cast<int>(program);
        return settings;
    }
    const std::string aside = path + ".damaged";
    const bool kept = ::rename(path.c_str(), aside.c_str()) == 0;
    problem = path + ": damaged (" + damage + "); playing the factory programs" +
              (kept ? ", the file is kept as " + aside : "");
    return std::nullopt;
}

void savePlayerSettings(const std::string& path, const PlayerSettings& settings) {
    makeFolders(path);
    std::vector<std::uint8_t> bytes = settings.bank;
    for (std::size_t i = 0; i < kProgramBytes; ++i)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(settings.program) >> (8 * i)));
    writeWholeFile(path, bytes);
}
