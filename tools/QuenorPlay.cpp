// quenor-play: the instrument live from a MIDI keyboard, through a JACK
// server at whatever rate it runs.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "tools/JackPlayer.h"
#include "tools/PlayOptions.h"
#include "tools/PlayerSettings.h"
#include "tools/PluginHost.h"
#include "tools/PluginLocation.h"
#include "tools/ProgramChoice.h"
#include "tools/RenderError.h"
#include "tools/SequencerInput.h"
#include "tools/WholeFile.h"

namespace {

constexpr char kClientName[] = "quenor-play";
constexpr std::size_t kMaxBankBytes = 1 << 16;
constexpr int kExitFailure = 1;

volatile std::sig_atomic_t quitRequested = 0;

void onQuitSignal(int) { quitRequested = 1; }

void catchQuitSignals() {
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void say(const std::string& line) { std::fprintf(stdout, "%s\n", line.c_str()), std::fflush(stdout); }

std::string milliseconds(int frames, int rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", 1000.0 * frames / rate);
    return text;
}

int listMidi() {
    std::string problem;
    const std::vector<std::string> sources = SequencerInput::listSources(problem);
    say(problem.empty() ? "ALSA sequencer sources:" : "ALSA sequencer: not available (" + problem + ")");
    for (const std::string& source : sources) say("  " + source);
    try {
        JackPlayer probe(std::string(kClientName) + "-list");
        say("JACK MIDI sources:");
        for (const std::string& source : probe.midiSources()) say("  " + source);
    } catch (const RenderError& error) {
        say(std::string("JACK: ") + error.what());
    }
    return 0;
}

// The bank and program to start from: --bank, else the saved settings, else the factory's.
void restoreSettings(PluginHost& plugin, const PlayOptions& options, const std::string& settingsPath) {
    if (!options.bank.empty()) {
        plugin.loadBank(readWholeFile(options.bank, kMaxBankBytes), options.bank);
        say("programs from " + options.bank);
    } else if (!settingsPath.empty()) {
        std::string problem;
        const std::size_t bankBytes = plugin.saveBank().size();
        const std::optional<PlayerSettings> saved =
            loadPlayerSettings(settingsPath, bankBytes, plugin.programCount(), problem);
        if (!problem.empty()) std::fprintf(stderr, "quenor-play: %s\n", problem.c_str());
        if (saved) {
            plugin.loadBank(saved->bank, settingsPath);
            plugin.selectProgram(saved->program);
            say("programs from " + settingsPath);
        }
    }
    if (options.program) plugin.selectProgram(programChosen(plugin, *options.program));
}

void saveSettings(PluginHost& plugin, const std::string& settingsPath) {
    if (settingsPath.empty()) {
        std::fprintf(stderr, "quenor-play: neither XDG_CONFIG_HOME nor HOME is set: settings not saved\n");
        return;
    }
    try {
        savePlayerSettings(settingsPath, {plugin.saveBank(), plugin.currentProgram()});
        say("settings saved to " + settingsPath);
    } catch (const RenderError& error) {
        std::fprintf(stderr, "quenor-play: settings not saved: %s\n", error.what());
    }
}

void connectSources(const PlayOptions& options, JackPlayer& player, SequencerInput& sequencer) {
    for (const std::string& port : options.midiPorts) {
        std::string connected;
        if (player.connectMidiFrom(port)) {
            say("MIDI: connected JACK port " + port);
        } else if (sequencer.available() && sequencer.connectFrom(port, connected)) {
            say("MIDI: connected ALSA port " + port + " (" + connected + ")");
        } else {
            throw RenderError("no MIDI source named '" + port + "' (quenor-play --list-midi lists them)");
        }
    }
}

int play(const PlayOptions& options) {
    PluginHost plugin(options.plugin.empty() ? pluginBesideExecutable() : options.plugin);
    JackPlayer player(kClientName);
    plugin.open(player.pluginBlockSize());
    const std::string settingsPath = playerSettingsPath();
    restoreSettings(plugin, options, settingsPath);

    SequencerInput sequencer(player.clientName(), player.sequencerQueue(),
                             [&player] { return player.frameClock(); });
    plugin.resume();
    player.start(plugin, options.connect);
    connectSources(options, player, sequencer);
    sequencer.start();

    const int rate = player.rate(), period = player.period();
    say("JACK server: " + std::to_string(rate) + " Hz, periods of " + std::to_string(period) + " frames (" +
        milliseconds(period, rate) + ")");
    if (player.resampling())
        say("resampling: on, 44100 -> " + std::to_string(rate) + " Hz, adding " +
            milliseconds(player.latencyFrames(), rate) + " (" + std::to_string(player.latencyFrames()) +
            " frames)");
    else
        say("resampling: off (the server runs at the instrument's 44100 Hz)");
    say("latency: " + milliseconds(player.latencyFrames() + 2 * period, rate) +
        " from a key to the speakers, with the server's two periods");
    say("MIDI in: JACK port " + player.clientName() + ":midi_in; " +
        (sequencer.available() ? "ALSA sequencer port " + sequencer.address()
                               : "no ALSA sequencer (" + sequencer.problem() + ")"));
    say("program " + std::to_string(plugin.currentProgram()) + " '" + plugin.programName(plugin.currentProgram()) +
        "'; editor window: " + (options.gui ? "not in this build, playing without it" : "off") + ". Ctrl-C quits.");

    int xrunsReported = 0;
    int status = 0;
    while (!quitRequested) {
        const timespec pause{0, 50'000'000};
        nanosleep(&pause, nullptr);
        if (player.serverGone()) {
            std::fprintf(stderr, "quenor-play: the JACK server shut down\n");
            status = kExitFailure;
            break;
        }
        if (player.periodChanged()) {
            std::fprintf(stderr, "quenor-play: the JACK server changed its period size; start quenor-play again\n");
            status = kExitFailure;
            break;
        }
        if (const int xruns = player.xruns(); xruns != xrunsReported) {
            say("x-run (" + std::to_string(xruns) + " so far)");
            xrunsReported = xruns;
        }
    }
    if (!player.serverGone()) player.stop();
    saveSettings(plugin, settingsPath);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    return runHost<PlayOptions>("quenor-play", kPlayUsage, argc, argv, parsePlayOptions,
                                [](const PlayOptions& options) {
                                    catchQuitSignals();
                                    return options.listMidi ? listMidi() : play(options);
                                });
}
