#include "render/RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "host/StreamResampler.h"

const char kUsage[] =
    "Usage: quenor-render [options] [FILE.mid] -o OUT.wav\n"
    "Renders a Standard MIDI File (format 0 or 1) through the Quenor-m4 instrument\n"
    "to a stereo WAV file. Without FILE.mid it plays the built-in demo.\n"
    "\n"
    "  -o, --output FILE      WAV file to write (not the MIDI file itself)\n"
    "  -b, --bits 16|24|32    sample format: 16 or 24 bit integer, 32 bit float (default);\n"
    "                         16 bit gets TPDF dither\n"
    "  -r, --rate HZ          sample rate of the file (default 44100): the instrument plays\n"
    "                         at 44100 Hz and the result is converted with libsoxr's\n"
    "                         very-high-quality filter\n"
    "  -g, --gain DB          level change after the instrument, in decibels\n"
    "      --normalize[=DB]   scale the whole render to this peak (default -1 dBFS);\n"
    "                         renders twice\n"
    "      --channels LIST    MIDI channels to play, such as 1-4,6 or all (default: all\n"
    "                         but 10, General MIDI's drums, with a warning if it has notes)\n"
    "      --tracks LIST      tracks of the file to play, from 1 (default all)\n"
    "      --volume-messages keep|ignore\n"
    "                         ignore leaves out the file's Volume messages (controller 7),\n"
    "                         so the program's Volume holds (default keep)\n"
    "  -p, --program N|NAME   play program N (0-3) or the program of that name: bright,\n"
    "                         plastic, metallic, expressive, or a name from a loaded bank\n"
    "  -P, --preset NAME      the same as --program NAME\n"
    "      --block N          frames per processing block (default 512)\n"
    "      --tail SECONDS     longest render after the last event (default 30); the\n"
    "                         render ends sooner once the instrument is silent\n"
    "      --plugin PATH      plug-in to load (default: quenor-m4.so beside this program,\n"
    "                         else in ../lib/vst, ~/.vst, /usr/lib/vst, /usr/local/lib/vst)\n"
    "      --bank FILE        load a saved 160-byte bank before playing\n"
    "      --save-bank FILE   save the plug-in's bank (-o is then optional)\n"
    "  -q, --quiet            no progress bar and no summary\n"
    "  -h, --help             show this help\n"
    "      --version          show the version\n"
    "\n"
    "An event at t seconds is played at frame round(t * 44100) of the instrument,\n"
    "Volume (controller 7) and all notes off (123) included.\n"
    "\n"
    "The instrument clips its output at full scale. The summary counts the samples\n"
    "it clipped, which --gain and --normalize come too late to undo; General MIDI\n"
    "files often cause it with a high Volume, which --volume-messages ignore avoids.\n";

namespace {

constexpr int kMaxBlockSize = 65536;
constexpr double kMaxTailSeconds = 600.0;

enum OwnLongOnly { kBlock = kFirstOwnOption, kTail, kSaveBank, kNormalize, kChannels, kTracks, kVolumeMessages };

constexpr int kMaxTrackNumber = 65535;
constexpr int kMaxGainDecibels = 60;

long wholeNumber(const char* text, const char* option, long low, long high) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != 0 || value < low || value > high)
        throw UsageError(std::string(option) + " wants a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    return value;
}

double decibels(const char* text, const char* option, int high) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != 0 || !std::isfinite(value) || value < -kMaxGainDecibels ||
        value > high)
        throw UsageError(std::string(option) + " wants decibels from -" + std::to_string(kMaxGainDecibels) +
                         " to " + std::to_string(high) + ", not '" + text + "'");
    return value;
}

double seconds(const char* text, const char* option, double high) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != 0 || !std::isfinite(value) || value < 0.0 || value > high)
        throw UsageError(std::string(option) + " wants seconds from 0 to " +
                         std::to_string(static_cast<int>(high)) + ", not '" + text + "'");
    return value;
}

}  // namespace

RenderOptions parseOptions(int argc, char** argv) {
    static const option kOptions[] = {
        {"output", required_argument, nullptr, 'o'},
        {"bits", required_argument, nullptr, 'b'},
        {"preset", required_argument, nullptr, 'P'},
        {"block", required_argument, nullptr, kBlock},
        {"tail", required_argument, nullptr, kTail},
        {"save-bank", required_argument, nullptr, kSaveBank},
        {"quiet", no_argument, nullptr, 'q'},
        {"rate", required_argument, nullptr, 'r'},
        {"gain", required_argument, nullptr, 'g'},
        {"normalize", optional_argument, nullptr, kNormalize},
        {"channels", required_argument, nullptr, kChannels},
        {"tracks", required_argument, nullptr, kTracks},
        {"volume-messages", required_argument, nullptr, kVolumeMessages},
    };
    RenderOptions options;
    int next =
        parseHostOptions(argc, argv, "o:b:P:r:g:q", kOptions, options, [&options](int code, const char* value) {
            switch (code) {
                case 'o':
                    options.output = value;
                    break;
                case 'b': {
                    const std::string bits = value;
                    if (bits != "16" && bits != "24" && bits != "32")
                        throw UsageError("--bits wants 16, 24 or 32, not '" + bits + "'");
                    options.bits = std::stoi(bits);
                    break;
                }
                case 'r':
                    options.rate = static_cast<int>(
                        wholeNumber(value, "--rate", StreamResampler::kLowestRate, StreamResampler::kHighestRate));
                    break;
                case 'g':
                    options.gainDecibels = decibels(value, "--gain", kMaxGainDecibels);
                    break;
                case kNormalize:
                    // A peak above full scale would clip every integer format.
                    options.normalizePeak = value ? decibels(value, "--normalize", 0) : -1.0;
                    break;
                case kChannels:
                    options.parts.channels.reset();
                    for (int channel : parseNumberList(value, "--channels", 16))
                        options.parts.channels.set(channel - 1);
                    options.parts.channelsChosen = true;
                    break;
                case kTracks:
                    options.parts.tracks = parseNumberList(value, "--tracks", kMaxTrackNumber);
                    break;
                case kVolumeMessages: {
                    const std::string choice = value;
                    if (choice != "keep" && choice != "ignore")
                        throw UsageError("--volume-messages wants keep or ignore, not '" + choice + "'");
                    options.parts.keepVolumeMessages = choice == "keep";
                    break;
                }
                case 'P':
                    options.preset = value;
                    break;
                case kBlock:
                    options.blockSize = static_cast<int>(wholeNumber(value, "--block", 1, kMaxBlockSize));
                    break;
                case kTail:
                    options.tailSeconds = seconds(value, "--tail", kMaxTailSeconds);
                    break;
                case kSaveBank:
                    options.saveBank = value;
                    break;
                case 'q':
                    options.quiet = true;
                    break;
            }
        });
    if (options.help || options.version) return options;
    if (next < argc) options.midiFile = argv[next++];
    if (next < argc) throw UsageError(std::string("unexpected argument '") + argv[next] + "'");
    if (options.program && options.preset) throw UsageError("give either --program or --preset, not both");
    if (options.normalizePeak && options.gainDecibels != 0.0)
        throw UsageError("give either --gain or --normalize, not both");
    if (options.output.empty() && options.saveBank.empty()) throw UsageError("no output file: give -o OUT.wav");
    return options;
}
