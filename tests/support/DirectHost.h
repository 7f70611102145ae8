// A second, deliberately separate host: drives the plug-in through its record
// with events at given frames, so the renderer's output can be checked
// against a drive that shares none of its code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DirectEvent {
    std::int64_t frame;
    std::uint8_t status, data1, data2;
};

struct StereoAudio {
    std::vector<float> left;
    std::vector<float> right;
    std::int64_t frames() const { return static_cast<std::int64_t>(left.size()); }
};

struct DirectDrive {
    int blockSize = 512;
    int program = -1;         // -1 leaves the plug-in's default
    std::int64_t frames = 0;  // rounded up to whole blocks
};

StereoAudio driveDirectly(const std::string& pluginPath, const std::vector<DirectEvent>& events,
                          const DirectDrive& drive);
// The plug-in's bank as it is after loading, effGetChunk index 0.
std::vector<std::uint8_t> factoryBank(const std::string& pluginPath);
