// Small files read and written in one piece: banks and MIDI files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Throws a HostError naming the file when it cannot be read or is larger
// than maxBytes.
std::vector<std::uint8_t> readWholeFile(const std::string& path, std::size_t maxBytes);
// Replaces the file only once every byte is written.
void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
