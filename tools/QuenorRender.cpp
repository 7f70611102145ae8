// quenor-render: plays a MIDI file, or the built-in demo, through the
// instrument plug-in and writes the result to a WAV file.
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "tools/DemoPiece.h"
#include "tools/EventTimeline.h"
#include "tools/LevelMeter.h"
#include "tools/MidiFileReader.h"
#include "tools/PluginHost.h"
#include "tools/ProgressMeter.h"
#include "tools/RenderError.h"
#include "tools/RenderOptions.h"
#include "tools/Renderer.h"
#include "tools/WavWriter.h"
#include "tools/WholeFile.h"

namespace {

constexpr char kPluginFileName[] = "quenor-m4.so";
constexpr std::size_t kMaxBankBytes = 1 << 20;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

// A stopped render must still remove its unfinished output.
void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

std::string pluginBesideExecutable() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) throw RenderError("cannot find this program's own folder; give --plugin PATH");
    std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/') + 1) + kPluginFileName;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int programNamed(PluginHost& plugin, const std::string& name) {
    std::string known;
    for (int i = 0; i < plugin.programCount(); ++i) {
        const std::string candidate = plugin.programName(i);
        if (lowerCase(candidate) == lowerCase(name)) return i;
        known += (known.empty() ? "" : ", ") + candidate;
    }
    throw RenderError("no program named '" + name + "' (the plug-in has: " + known + ")");
}

void choosePlayingProgram(PluginHost& plugin, const RenderOptions& options) {
    std::optional<int> program = options.program;
    if (options.preset) program = programNamed(plugin, *options.preset);
    if (!program) return;
    if (*program >= plugin.programCount())
        throw RenderError("no program " + std::to_string(*program) + " (the plug-in has " +
                          std::to_string(plugin.programCount()) + ", numbered from 0)");
    plugin.selectProgram(*program);
}

void printSummary(const std::string& output, const LevelMeter& meter, double wallSeconds) {
    const double length = static_cast<double>(meter.framesWritten()) / kRenderRate;
    const float peak = meter.peakLevel();
    char level[48];
    if (peak > 0.0f)
        std::snprintf(level, sizeof level, "%.1f dBFS (%.4f)", 20.0 * std::log10(peak), peak);
    else
        std::snprintf(level, sizeof level, "silent");
    char speed[32];
    if (wallSeconds > 0.0)
        std::snprintf(speed, sizeof speed, "%.1fx real time", length / wallSeconds);
    else
        std::snprintf(speed, sizeof speed, "instant");
    std::fprintf(stderr, "%s: %.2f s rendered, peak %s, %lld clipped samples, %s\n", output.c_str(), length, level,
                 static_cast<long long>(meter.clippedSamples()), speed);
}

int run(const RenderOptions& options) {
    const EventTimeline timeline =
        layOutInFrames(options.midiFile.empty() ? demoPiece() : readMidiFile(options.midiFile));

    std::unique_ptr<WavWriter> wav;
    if (!options.output.empty()) wav = std::make_unique<WavWriter>(options.output, options.bits);

    PluginHost plugin(options.plugin.empty() ? pluginBesideExecutable() : options.plugin);
    plugin.open(options.blockSize);
    if (!options.bank.empty()) plugin.loadBank(readWholeFile(options.bank, kMaxBankBytes), options.bank);
    choosePlayingProgram(plugin, options);
    if (!options.saveBank.empty()) writeWholeFile(options.saveBank, plugin.saveBank());
    if (!wav) return 0;

    plugin.resume();
    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    ProgressMeter progress(stderr, timeline.endFrame);
    LevelMeter meter(*wav);
    RenderPlan plan;
    plan.blockSize = options.blockSize;
    plan.tailFrames = std::llround(options.tailSeconds * kRenderRate);

    const auto started = std::chrono::steady_clock::now();
    const std::int64_t frames = renderTimeline(plugin, timeline, plan, meter, [&](std::int64_t rendered) {
        if (showProgress) progress.update(rendered);
        return !interrupted;
    });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    if (showProgress) progress.finish();
    if (frames < 0) {
        std::fprintf(stderr, "quenor-render: %s: interrupted, nothing written\n", options.output.c_str());
        return kExitInterrupted;
    }
    wav->commit();
    if (!options.quiet) printSummary(options.output, meter, elapsed.count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "quenor-render: %s\nTry 'quenor-render --help'.\n", error.what());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    catchInterrupts();
    try {
        return run(options);
    } catch (const RenderError& error) {
        std::fprintf(stderr, "quenor-render: %s\n", error.what());
        return kExitFailure;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quenor-render: %s\n", error.what());
        return kExitFailure;
    }
}
