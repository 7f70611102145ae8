// The command line of quenor-play.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/UsageError.h"

struct PlayOptions {
    std::optional<std::string> program;  // a number or a name
    std::string bank;                    // a bank file to start from instead of the saved settings
    std::vector<std::string> midiPorts;  // JACK or ALSA sources to connect at start
    std::string plugin;                  // empty: quenor-m4.so beside this program
    bool connect = true;
    bool gui = true;
    bool listMidi = false;
    bool help = false;
};

PlayOptions parsePlayOptions(int argc, char** argv);
extern const char kPlayUsage[];
