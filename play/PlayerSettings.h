// The player's settings between runs: the plug-in's bank (its four programs)
// and the current program, in one file under $XDG_CONFIG_HOME/quenor-m4/
// (~/.config/quenor-m4/ without it). The file is the bank chunk followed by
// the program number as 4 little-endian bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PlayerSettings {
    std::vector<std::uint8_t> bank;
    int program = 0;
};

// The settings file's path; empty when neither variable names a home.
std::string playerSettingsPath();

// Reads the settings; a missing file gives nothing. A damaged file (not
// bankBytes + 4 bytes long, or a program outside 0..programCount-1) is renamed
// aside to PATH.damaged and `problem` gets one line saying so.
std::optional<PlayerSettings> loadPlayerSettings(const std::string& path, std::size_t bankBytes, int programCount,
                                                 std::string& problem);

// Writes a temporary file beside it, syncs it and renames it over the old
// one, creating the folder first: a crash leaves the old file or the new one,
// never a mix. Throws a HostError naming the file.
void savePlayerSettings(const std::string& path, const PlayerSettings& settings);
