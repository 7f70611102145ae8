// The command line of quenor-render.
#pragma once

#include <optional>
#include <string>

#include "tools/PartSelection.h"
#include "tools/UsageError.h"

struct RenderOptions {
    std::string midiFile;  // empty: play the built-in demo
    std::string output;    // empty: render nothing (only a bank is saved)
    int bits = 32;
    int rate = 44100;
    double gainDecibels = 0.0;
    std::optional<double> normalizePeak;  // dBFS
    PartSelection parts;
    std::optional<std::string> program;  // a number or a name
    std::optional<std::string> preset;
    int blockSize = 512;
    double tailSeconds = 30.0;
    std::string plugin;  // empty: quenor-m4.so beside this program
    std::string bank;
    std::string saveBank;
    bool quiet = false;
    bool help = false;
};

RenderOptions parseOptions(int argc, char** argv);
extern const char kUsage[];
