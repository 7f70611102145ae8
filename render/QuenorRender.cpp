// quenor-render: plays a MIDI file, or the built-in demo, through the
// instrument plug-in and writes the result to a WAV file.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "host/HostError.h"
#include "host/PluginHost.h"
#include "host/PluginLocation.h"
#include "host/ProgramChoice.h"
#include "host/StopSignals.h"
#include "host/WholeFile.h"
#include "render/DemoPiece.h"
#include "render/EventTimeline.h"
#include "render/GainStage.h"
#include "render/LevelMeter.h"
#include "render/MidiFileReader.h"
#include "render/PartSelection.h"
#include "render/ProgressMeter.h"
#include "render/RateConverter.h"
#include "render/RenderOptions.h"
#include "render/Renderer.h"
#include "render/WavWriter.h"

namespace {

constexpr std::size_t kMaxBankBytes = 1 << 20;
constexpr int kExitInterrupted = 130;

void choosePlayingProgram(PluginHost& plugin, const RenderOptions& options) {
    if (options.program) plugin.selectProgram(programChosen(plugin, *options.program));
    if (options.preset) plugin.selectProgram(programChosen(plugin, *options.preset));
}

// -o song.mid would otherwise replace the score with its own rendering.
void refuseOutputOverInput(const RenderOptions& options) {
    if (options.midiFile.empty() || options.output.empty()) return;
    struct stat input, output;
    const bool sameName = std::filesystem::path(options.output).lexically_normal() ==
                          std::filesystem::path(options.midiFile).lexically_normal();
    const bool sameFile = ::stat(options.midiFile.c_str(), &input) == 0 &&
                          ::stat(options.output.c_str(), &output) == 0 && input.st_dev == output.st_dev &&
                          input.st_ino == output.st_ino;
    if (sameName || sameFile) throw UsageError("the output " + options.output + " is the MIDI file being read");
}

class NullSink : public AudioSink {
public:
    void write(const float*, const float*, std::int64_t) override {}
};

struct RenderOutcome {
    std::int64_t instrumentFrames;  // -1: interrupted
    double seconds;
    std::int64_t instrumentClipped;  // samples the plug-in itself held at full scale
};

// One pass through the instrument, from a freshly opened instance: plug-in,
// then rate conversion when asked, then the gain, then the meter and sink.
// The instrument's own clipping is counted before any of them, since a gain
// after it cannot undo it.
RenderOutcome renderOnce(const RenderOptions& options, const EventTimeline& timeline, float gain, AudioSink& sink,
                         bool showProgress) {
    PluginHost plugin(options.plugin.empty() ? findPlugin() : options.plugin);
    plugin.open(options.blockSize);
    if (!options.bank.empty()) plugin.loadBank(readWholeFile(options.bank, kMaxBankBytes), options.bank);
    choosePlayingProgram(plugin, options);
    plugin.resume();

    GainStage gained(gain, sink);
    std::optional<RateConverter> converter;
    AudioSink* first = &gained;
    if (options.rate != kRenderRate) first = &converter.emplace(options.rate, gained);
    LevelMeter instrument(*first);

    ProgressMeter progress(stderr, timeline.endFrame);
    RenderPlan plan;
    plan.blockSize = options.blockSize;
    plan.tailFrames = std::llround(options.tailSeconds * kRenderRate);
    const auto started = std::chrono::steady_clock::now();
    const std::int64_t frames = renderTimeline(plugin, timeline, plan, instrument, [&](std::int64_t rendered) {
        if (showProgress) progress.update(rendered);
        return !stopRequested();
    });
    if (converter && frames >= 0) converter->finish();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    if (showProgress) progress.finish();
    return {frames, elapsed.count(), instrument.clippedSamples()};
}

// Says what led the instrument into its clip and what keeps it out.
std::string clipAdvice(const SelectedParts& parts) {
    if (parts.loudestVolume > 0)
        return "the file's Volume messages (controller 7) set its Volume as high as " +
               std::to_string(parts.loudestVolume) +
               " of 127; --volume-messages ignore plays at the program's Volume";
    return "a bank whose program has a lower Volume (--bank) plays it softer";
}

// The file's figures, but the clipped samples are the instrument's own: the
// file's count would miss a clip scaled down by --gain or --normalize.
void printSummary(const RenderOptions& options, const LevelMeter& meter, const RenderOutcome& outcome,
                  const SelectedParts& parts, double wallSeconds) {
    const std::string& output = options.output;
    const int rate = options.rate;
    const double length = static_cast<double>(meter.framesWritten()) / rate;
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
    // Gain or rate conversion may take the file past full scale where the instrument stayed below it.
    char beyond[64] = "";
    if (meter.clippedSamples() > outcome.instrumentClipped)
        std::snprintf(beyond, sizeof beyond, ", %lld at or beyond full scale in the file",
                      static_cast<long long>(meter.clippedSamples()));
    std::fprintf(stderr, "%s: %.2f s rendered at %d Hz, peak %s, %lld clipped samples%s, %s\n", output.c_str(),
                 length, rate, level, static_cast<long long>(outcome.instrumentClipped), beyond, speed);
    if (outcome.instrumentClipped > 0)
        std::fprintf(stderr,
                     "%s: the instrument clipped its output, which --gain and --normalize cannot undo; %s\n",
                     output.c_str(), clipAdvice(parts).c_str());
}

int run(const RenderOptions& options) {
    refuseOutputOverInput(options);
    const SelectedParts parts =
        selectParts(options.midiFile.empty() ? demoPiece() : readMidiFile(options.midiFile), options.parts);
    for (const std::string& warning : parts.warnings)
        std::fprintf(stderr, "quenor-render: warning: %s\n", warning.c_str());
    const EventTimeline timeline = layOutInFrames(parts.sequence);

    std::unique_ptr<WavWriter> wav;
    if (!options.output.empty()) wav = std::make_unique<WavWriter>(options.output, options.bits, options.rate);

    if (!options.saveBank.empty()) {
        PluginHost plugin(options.plugin.empty() ? findPlugin() : options.plugin);
        plugin.open(options.blockSize);
        if (!options.bank.empty()) plugin.loadBank(readWholeFile(options.bank, kMaxBankBytes), options.bank);
        choosePlayingProgram(plugin, options);
        writeWholeFile(options.saveBank, plugin.saveBank());
    }
    if (!wav) return 0;

    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    float gain = static_cast<float>(std::pow(10.0, options.gainDecibels / 20.0));
    double wallSeconds = 0.0;
    if (options.normalizePeak) {
        NullSink nowhere;
        LevelMeter peakOnly(nowhere);
        const RenderOutcome first = renderOnce(options, timeline, 1.0f, peakOnly, showProgress);
        if (first.instrumentFrames < 0) {
            std::fprintf(stderr, "quenor-render: %s: interrupted, nothing written\n", options.output.c_str());
            return kExitInterrupted;
        }
        wallSeconds += first.seconds;
        if (peakOnly.peakLevel() > 0.0f)
            gain = static_cast<float>(std::pow(10.0, *options.normalizePeak / 20.0) / peakOnly.peakLevel());
    }
    LevelMeter meter(*wav);
    const RenderOutcome outcome = renderOnce(options, timeline, gain, meter, showProgress);
    wallSeconds += outcome.seconds;
    if (outcome.instrumentFrames < 0) {
        std::fprintf(stderr, "quenor-render: %s: interrupted, nothing written\n", options.output.c_str());
        return kExitInterrupted;
    }
    wav->commit();
    if (!options.quiet) printSummary(options, meter, outcome, parts, wallSeconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runHost<RenderOptions>("quenor-render", kUsage, argc, argv, parseOptions,
                                  [](const RenderOptions& options) {
                                      catchStopSignals();
                                      return run(options);
                                  });
}
