// quenor-play: the instrument live from a MIDI keyboard, through a JACK
// server at whatever rate it runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "host/HostError.h"
#include "host/PluginHost.h"
#include "host/PluginLocation.h"
#include "host/ProgramChoice.h"
#include "host/StopSignals.h"
#include "host/WholeFile.h"
#include "play/EditorWindow.h"
#include "play/JackPlayer.h"
#include "play/PlayOptions.h"
#include "play/PlayerSettings.h"
#include "play/SequencerInput.h"

namespace {

constexpr char kClientName[] = "quenor-play";
constexpr std::size_t kMaxBankBytes = 1 << 16;
constexpr int kExitFailure = 1;
// How often the editor is given its idle call, and the player looks around.
constexpr std::chrono::milliseconds kTick{30};

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
    } catch (const HostError& error) {
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
    } catch (const HostError& error) {
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
            throw HostError("no MIDI source named '" + port + "' (quenor-play --list-midi lists them)");
        }
    }
}

// The plug-in's editor in a window of its own. Everything here runs on the
// main thread, the one that opened the editor; the editor closes before its
// window does.
class WindowedEditor {
public:
    WindowedEditor(PluginHost& plugin, const std::string& title) : plugin(plugin) {
        if (!plugin.hasEditor()) throw HostError("the plug-in has no editor");
        const PluginHost::Size size = plugin.editorSize();
        if (size.width <= 0 || size.height <= 0) throw HostError("the plug-in gave no size for its editor");
        window = std::make_unique<EditorWindow>(size.width, size.height, title);
        if (!plugin.openEditor(window->parentHandle())) throw HostError("the plug-in would not open its editor");
        // Some editors know their size only once open.
        const PluginHost::Size opened = plugin.editorSize();
        if (opened.width > 0 && opened.height > 0 && (opened.width != size.width || opened.height != size.height))
            window->resize(opened.width, opened.height);
        window->show();
    }
    ~WindowedEditor() {
        plugin.closeEditor();
        window.reset();
    }
    WindowedEditor(const WindowedEditor&) = delete;
    WindowedEditor& operator=(const WindowedEditor&) = delete;

    EditorWindow& frame() { return *window; }

private:
    PluginHost& plugin;
    std::unique_ptr<EditorWindow> window;
};

std::string windowTitle(const std::string& programName) { return std::string(kClientName) + " — " + programName; }

std::vector<std::string> programNames(PluginHost& plugin) {
    std::vector<std::string> names;
    for (int i = 0; i < plugin.programCount(); ++i) names.push_back(plugin.programName(i));
    return names;
}

// The editor window, or none with one line saying why.
std::unique_ptr<WindowedEditor> openEditorWindow(PluginHost& plugin) {
    try {
        return std::make_unique<WindowedEditor>(plugin, windowTitle(plugin.programName(plugin.currentProgram())));
    } catch (const HostError& error) {
        std::fprintf(stderr, "quenor-play: %s: playing without the editor window\n", error.what());
        return nullptr;
    }
}

// Waits until the next tick is due, or less while the window's server sends
// something; signals cut the wait short too.
void waitUntil(std::chrono::steady_clock::time_point tick, WindowedEditor* editor) {
    // Rounded up: a wait of 0 before the tick would spin.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(tick - std::chrono::steady_clock::now());
    const int milliseconds = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    if (editor) {
        editor->frame().wait(milliseconds);
    } else {
        const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
        nanosleep(&pause, nullptr);
    }
}

int play(const PlayOptions& options) {
    PluginHost plugin(options.plugin.empty() ? findPlugin() : options.plugin);
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
    std::unique_ptr<WindowedEditor> editor = options.gui ? openEditorWindow(plugin) : nullptr;

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
    int shownProgram = plugin.currentProgram();
    std::string shownName = plugin.programName(shownProgram);
    say("program " + std::to_string(shownProgram) + " '" + shownName +
        "'; editor window: " + (editor ? "open, closing it quits" : "off") + ". Ctrl-C quits.");

    int xrunsReported = 0;
    int status = 0;
    auto tick = std::chrono::steady_clock::now() + kTick;
    while (!stopRequested()) {
        waitUntil(tick, editor.get());
        if (editor && editor->frame().closeRequested()) break;
        if (editor && editor->frame().lost()) {
            std::fprintf(stderr, "quenor-play: the X display went away: playing on without the editor window\n");
            editor.reset();
        }
        if (std::chrono::steady_clock::now() < tick) continue;
        tick = std::chrono::steady_clock::now() + kTick;

        if (editor) plugin.idleEditor();
        // A program button is taken like a program change message.
        if (const int program = editor ? editor->frame().strip().takeChosenProgram() : -1;
            program >= 0 && program < plugin.programCount())
            plugin.selectProgram(program);
        if (const int program = player.takeProgramChange(); program >= 0 && program < plugin.programCount())
            plugin.selectProgram(program);
        // Whoever changed it, a program change message, a button, the editor or a rename.
        const int program = plugin.currentProgram();
        if (std::string name = plugin.programName(program); program != shownProgram || name != shownName) {
            shownProgram = program;
            shownName = std::move(name);
            if (editor) editor->frame().setTitle(windowTitle(shownName));
            say("program " + std::to_string(shownProgram) + " '" + shownName + "'");
        }
        if (editor) {
            ControlStrip& strip = editor->frame().strip();
            strip.showPrograms(programNames(plugin), program);
            strip.showLevel(player.takeLevel(), std::chrono::steady_clock::now());
        }

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
    editor.reset();
    saveSettings(plugin, settingsPath);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    return runHost<PlayOptions>("quenor-play", kPlayUsage, argc, argv, parsePlayOptions,
                                [](const PlayOptions& options) {
                                    catchStopSignals();
                                    return options.listMidi ? listMidi() : play(options);
                                });
}
