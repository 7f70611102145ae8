#include "play/PlayOptions.h"

const char kPlayUsage[] =
    "Usage: quenor-play [options]\n"
    "Plays the Quenor-m4 piano live through a JACK server (jackd, or PipeWire's JACK\n"
    "support), in tune at the server's rate: the instrument plays at 44100 Hz and is\n"
    "converted to the server's rate when that differs. It reads MIDI from its JACK port\n"
    "midi_in and from its ALSA sequencer port, which USB keyboards and other programs\n"
    "connect to (aconnect, or --midi). The four programs and the current one are kept\n"
    "between runs in $XDG_CONFIG_HOME/quenor-m4/player-settings.\n"
    "\n"
    "  -p, --program N|NAME  start with program N (0-3) or the program of that name\n"
    "      --bank FILE       start from a saved 160-byte bank instead of the last settings\n"
    "  -m, --midi PORT       connect this MIDI source at start: a JACK port name or an ALSA\n"
    "                        sequencer client:port or client name (may be repeated)\n"
    "      --list-midi       list the MIDI sources there are, and quit\n"
    "      --no-connect      leave the outputs unconnected (default: system playback)\n"
    "      --no-gui          no editor window (without an X display there is none either)\n"
    "      --plugin PATH     plug-in to load (default: quenor-m4.so beside this program,\n"
    "                        else in ../lib/vst, ~/.vst, /usr/lib/vst, /usr/local/lib/vst)\n"
    "  -h, --help            show this help\n"
    "      --version         show the version\n"
    "\n"
    "Ctrl-C, or closing the editor window, quits and saves the settings.\n";

namespace {

enum OwnLongOnly { kListMidi = kFirstOwnOption, kNoConnect, kNoGui };

}  // namespace

PlayOptions parsePlayOptions(int argc, char** argv) {
    static const option kOptions[] = {
        {"midi", required_argument, nullptr, 'm'},
        {"list-midi", no_argument, nullptr, kListMidi},
        {"no-connect", no_argument, nullptr, kNoConnect},
        {"no-gui", no_argument, nullptr, kNoGui},
    };
    PlayOptions options;
    const int first =
        parseHostOptions(argc, argv, "m:", kOptions, options, [&options](int code, const char* value) {
            switch (code) {
                case 'm':
                    options.midiPorts.emplace_back(value);
                    break;
                case kListMidi:
                    options.listMidi = true;
                    break;
                case kNoConnect:
                    options.connect = false;
                    break;
                case kNoGui:
                    options.gui = false;
                    break;
            }
        });
    if (first < argc) throw UsageError(std::string("unexpected argument '") + argv[first] + "'");
    return options;
}
