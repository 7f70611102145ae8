// The command line of quenor-render.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

struct RenderOptions {
    std::string midiFile;  // empty: play the built-in demo
    std::string output;    // empty: render nothing (only a bank is saved)
    int bits = 32;
    std::optional<int> program;
    std::optional<std::string> preset;
    int blockSize = 512;
    double tailSeconds = 30.0;
    std::string plugin;  // empty: quenor-m4.so beside this program
    std::string bank;
    std::string saveBank;
    bool quiet = false;
    bool help = false;
};

// A command line that cannot be followed.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

RenderOptions parseOptions(int argc, char** argv);
extern const char kUsage[];
