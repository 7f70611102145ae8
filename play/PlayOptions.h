// The command line of quenor-play.
#pragma once

#include <string>
#include <vector>

#include "host/HostOptions.h"

// The bank, when given, is started from instead of the saved settings.
struct PlayOptions : HostOptions {
    std::vector<std::string> midiPorts;  // JACK or ALSA sources to connect at start
    bool connect = true;
    bool gui = true;
    bool listMidi = false;
};

PlayOptions parsePlayOptions(int argc, char** argv);
extern const char kPlayUsage[];
