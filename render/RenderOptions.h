// The command line of quenor-render.
#pragma once

#include <optional>
#include <string>

#include "host/HostOptions.h"
#include "render/PartSelection.h"

struct RenderOptions : HostOptions {
    std::string midiFile;  // empty: play the built-in demo
    std::string output;    // empty: render nothing (only a bank is saved)
    int bits = 32;
    int rate = 44100;
    double gainDecibels = 0.0;
    std::optional<double> normalizePeak;  // dBFS
    PartSelection parts;
    std::optional<std::string> preset;
    int blockSize = 512;
    double tailSeconds = 30.0;
    std::string saveBank;
    bool quiet = false;
};

RenderOptions parseOptions(int argc, char** argv);
extern const char kUsage[];
