// quenor-render end to end: the WAV it writes must equal, bit for bit, what a
// separate host gets by driving the plug-in with the same events at the same
// frames; bad input must end in one clear line and no output file.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "render/DemoPiece.h"
#include "render/EventTimeline.h"
#include "render/Renderer.h"
#include "tests/render/MidiBytes.h"
#include "tests/render/ToolRunner.h"
#include "tests/support/DirectHost.h"
#include "tests/support/PitchMeasure.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

std::int64_t firstAudible(const StereoAudio& audio) {
    for (std::int64_t i = 0; i < audio.frames(); ++i)
        if (audio.left[i] != 0.0f || audio.right[i] != 0.0f) return i;
    return -1;
}

// Bit-exact over the first `frames` frames; reports the first difference.
void expectSameAudio(const StereoAudio& actual, const StereoAudio& expected, std::int64_t frames) {
    ASSERT_LE(frames, actual.frames());
    ASSERT_LE(frames, expected.frames());
    for (std::int64_t i = 0; i < frames; ++i) {
        if (std::bit_cast<std::uint32_t>(actual.left[i]) != std::bit_cast<std::uint32_t>(expected.left[i]) ||
            std::bit_cast<std::uint32_t>(actual.right[i]) != std::bit_cast<std::uint32_t>(expected.right[i])) {
            ADD_FAILURE() << "frame " << i << ": rendered (" << actual.left[i] << ", " << actual.right[i]
                          << "), direct drive (" << expected.left[i] << ", " << expected.right[i] << ")";
            return;
        }
    }
}

// The render stops only where the direct drive has fallen silent for good:
// nothing audible is cut, nothing silent is kept after the sequence.
void expectEndsWhereSoundEnds(const StereoAudio& rendered, const StereoAudio& direct, std::int64_t endFrame,
                              std::int64_t limit) {
    const std::int64_t end = rendered.frames();
    EXPECT_GE(end, endFrame);
    EXPECT_LE(end, limit);
    if (end > endFrame) {
        EXPECT_TRUE(rendered.left[end - 1] != 0.0f || rendered.right[end - 1] != 0.0f);
    }
    const std::int64_t checkedUpTo = std::min({limit, end + kSilenceFrames, direct.frames()});
    for (std::int64_t i = end; i < checkedUpTo; ++i)
        if (direct.left[i] != 0.0f || direct.right[i] != 0.0f) {
            ADD_FAILURE() << "the render stops at frame " << end << " but the instrument still sounds at " << i;
            return;
        }
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.made()); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::string write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path(name);
    }

    Bytes read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    StereoAudio readWav(const std::string& name, SF_INFO* format = nullptr, int rate = 44100) const {
        SF_INFO info{};
        SNDFILE* file = sf_open(path(name).c_str(), SFM_READ, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        StereoAudio audio;
        if (!file) return audio;
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.samplerate, rate);
        std::vector<float> interleaved(2 * info.frames);
        EXPECT_EQ(sf_readf_float(file, interleaved.data(), info.frames), info.frames);
        sf_close(file);
        for (sf_count_t i = 0; i < info.frames; ++i) {
            audio.left.push_back(interleaved[2 * i]);
            audio.right.push_back(interleaved[2 * i + 1]);
        }
        if (format) *format = info;
        return audio;
    }

    // Renders with the built plug-in and asserts success.
    void render(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--plugin", QUENOR_PLUGIN_PATH, "--quiet"});
        const ToolResult result = runRenderTool(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        ASSERT_EQ(result.errors, "");
    }

    testhost::ScratchFolder scratch{"quenor-render-test"};
    const fs::path& dir = scratch.path();
};

TEST_F(RenderTool, NoteAtOneSecondStrikesOnTheFrameADirectDriveStrikesIt) {
    TrackBytes track;
    track.tempo(0, 500000).event(960, {0x90, 60, 100}).event(960, {0x80, 60, 0}).end(0);
    const std::string midi = write("one-second.mid", midiFile(0, 480, {track}));
    render({"--tail", "1", "-o", path("block512.wav"), midi});
    render({"--tail", "1", "--block", "333", "-o", path("block333.wav"), midi});

    const std::int64_t endFrame = 88200, limit = endFrame + 44100;
    const StereoAudio direct =
        driveDirectly(QUENOR_PLUGIN_PATH, {{44100, 0x90, 60, 100}, {88200, 0x80, 60, 0}}, {512, -1, limit + 1024});
    const std::int64_t strike = firstAudible(direct);
    ASSERT_GE(strike, 44100) << "the instrument sounds before the note, or not at all";
    ASSERT_LT(strike, 44100 + 1024) << "the strike does not start at its frame";

    const StereoAudio block512 = readWav("block512.wav");
    const StereoAudio block333 = readWav("block333.wav");
    EXPECT_EQ(firstAudible(block512), strike);
    EXPECT_EQ(firstAudible(block333), strike);
    expectSameAudio(block512, direct, block512.frames());
    expectSameAudio(block333, direct, block333.frames());
    expectEndsWhereSoundEnds(block512, direct, endFrame, limit);
}

TEST_F(RenderTool, FormatOneWithTempoChangesAndRunningStatusMatchesADirectDriveBitForBit) {
    TrackBytes conductor;
    conductor.tempo(0, 500000).tempo(192, 750000).end(0);  // 120 bpm, 80 bpm from 1.0 s
    TrackBytes hands;
    hands.event(48, {0x90, 48, 90})
        .event(0, {55, 70})  // 0.25 s, running status
        .event(144, {48, 0})
        .event(0, {55, 0})  // 1.0 s, released by velocity 0
        .event(0, {0xB0, 64, 127})
        .event(0, {0x90, 60, 110})
        .event(96, {60, 0})        // 1.75 s
        .event(48, {0xB0, 64, 0})  // 2.125 s, 93712.5 frames
        .end(0);
    TrackBytes extremes;  // channel 10
    extremes.event(0, {0x99, 21, 127})
        .event(24, {21, 0})           // 0.125 s, 5512.5 frames
        .event(216, {0x99, 108, 64})  // 1.375 s, 60637.5 frames
        .event(12, {108, 0})          // 1.46875 s
        .end(0);
    const std::string midi = write("tempo.mid", midiFile(1, 96, {conductor, hands, extremes}));
    render({"--tail", "3", "--channels", "all", "-o", path("tempo.wav"), midi});

    const std::vector<DirectEvent> events = {{0, 0x99, 21, 127},     {5513, 0x99, 21, 0},    {11025, 0x90, 48, 90},
                                             {11025, 0x90, 55, 70},  {44100, 0x90, 48, 0},   {44100, 0x90, 55, 0},
                                             {44100, 0xB0, 64, 127}, {44100, 0x90, 60, 110}, {60638, 0x99, 108, 64},
                                             {64772, 0x99, 108, 0},  {77175, 0x90, 60, 0},   {93713, 0xB0, 64, 0}};
    const std::int64_t endFrame = 93713, limit = endFrame + 3 * 44100;
    const StereoAudio direct = driveDirectly(QUENOR_PLUGIN_PATH, events, {512, -1, limit + 512});
    ASSERT_GE(firstAudible(direct), 0) << "the instrument makes no sound";

    const StereoAudio rendered = readWav("tempo.wav");
    expectSameAudio(rendered, direct, rendered.frames());
    expectEndsWhereSoundEnds(rendered, direct, endFrame, limit);
}

TEST_F(RenderTool, ProgramsChosenByNameOrNumberPlayAsTheyDoInADirectDrive) {
    TrackBytes track;
    track.event(48, {0x90, 64, 100}).event(192, {0x80, 64, 0}).end(0);
    const std::string midi = write("short.mid", midiFile(0, 480, {track}));
    render({"--tail", "1", "--preset", "PLASTIC", "-o", path("by-name.wav"), midi});
    render({"--tail", "1", "--program", "1", "-o", path("by-number.wav"), midi});
    render({"--tail", "1", "-o", path("default.wav"), midi});

    // Half a second at 120 bpm, 480 ticks a quarter: 48 ticks are 2205 frames.
    const std::int64_t limit = 2205 * 5 + 44100;
    const StereoAudio plastic =
        driveDirectly(QUENOR_PLUGIN_PATH, {{2205, 0x90, 64, 100}, {11025, 0x80, 64, 0}}, {512, 1, limit});
    const StereoAudio byName = readWav("by-name.wav"), byNumber = readWav("by-number.wav");
    ASSERT_GE(firstAudible(plastic), 2205) << "the instrument makes no sound";
    expectSameAudio(byName, plastic, byName.frames());
    EXPECT_EQ(byName.left, byNumber.left);
    EXPECT_EQ(byName.right, byNumber.right);
    EXPECT_NE(readWav("default.wav").left, byName.left) << "program 0 and program 1 sound the same";
}

TEST_F(RenderTool, WritesSixteenAndTwentyFourBitIntegerOrFloatSamples) {
    TrackBytes track;
    track.event(0, {0x90, 40, 127})
        .event(240, {0x90, 76, 90})
        .event(240, {0x80, 40, 0})
        .event(0, {0x80, 76, 0})
        .end(0);
    const std::string midi = write("chord.mid", midiFile(0, 480, {track}));
    const std::pair<const char*, int> formats[] = {
        {"16", SF_FORMAT_PCM_16}, {"24", SF_FORMAT_PCM_24}, {"32", SF_FORMAT_FLOAT}};
    for (const auto& [bits, subtype] : formats)
        render({"--tail", "0.5", "--bits", bits, "-o", path(std::string("bits") + bits + ".wav"), midi});

    SF_INFO info;
    const StereoAudio exact = readWav("bits32.wav", &info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_GE(firstAudible(exact), 0) << "the instrument makes no sound";
    for (const auto& [bits, subtype] : formats) {
        const StereoAudio audio = readWav(std::string("bits") + bits + ".wav", &info);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | subtype) << bits;
        // Readers such as sox warn of a float fmt chunk without its extension
        // size (of 0); integer ones have none.
        const Bytes header = read(std::string("bits") + bits + ".wav");
        const bool floating = subtype == SF_FORMAT_FLOAT;
        ASSERT_GE(header.size(), 38u);
        EXPECT_EQ(Bytes(header.begin() + 12, header.begin() + 20),
                  (Bytes{'f', 'm', 't', ' ', static_cast<std::uint8_t>(floating ? 18 : 16), 0, 0, 0}))
            << bits;
        if (floating) {
            EXPECT_EQ(header[36] | header[37] << 8, 0) << "extension size";
        }
        ASSERT_EQ(audio.frames(), exact.frames()) << bits;
        // 16 bit is dithered: up to one step of triangular noise besides the rounding.
        const float step = std::ldexp(1.0f, 1 - std::atoi(bits)) * (std::string(bits) == "16" ? 1.5f : 1.0f);
        std::int64_t unlikeRounding = 0;
        for (std::int64_t i = 0; i < exact.frames(); ++i) {
            if (std::fabs(audio.left[i] - exact.left[i]) > step ||
                std::fabs(audio.right[i] - exact.right[i]) > step) {
                ADD_FAILURE() << bits << " bit sample " << i << " is further than it may be from the float render";
                break;
            }
            if (audio.left[i] != std::nearbyint(exact.left[i] * 32768.0f) / 32768.0f) ++unlikeRounding;
        }
        if (std::string(bits) == "16") {
            EXPECT_GT(unlikeRounding, exact.frames() / 10) << "no dither";
        }
    }
}

TEST_F(RenderTool, SavesAndLoadsBanks) {
    const ToolResult saved =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--save-bank", path("factory.bank")});
    ASSERT_EQ(saved.exitCode, 0) << saved.errors;
    const Bytes factory = read("factory.bank");
    ASSERT_EQ(factory.size(), 160u);
    EXPECT_EQ(factory, factoryBank(QUENOR_PLUGIN_PATH));

    // Rename program 3 and give it a volume of 0.25.
    Bytes changed = factory;
    std::memset(changed.data() + 3 * 40 + 16, 0, 24);
    std::memcpy(changed.data() + 3 * 40 + 16, "glass", 5);
    const float quarter = 0.25f;
    std::memcpy(changed.data() + 3 * 40, &quarter, 4);
    write("glass.bank", changed);
    const ToolResult reloaded =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--bank", path("glass.bank"), "--preset", "glass",
                       "--save-bank", path("again.bank")});
    ASSERT_EQ(reloaded.exitCode, 0) << reloaded.errors;
    EXPECT_EQ(read("again.bank"), changed);

    write("short.bank", Bytes(100, 0));
    const ToolResult refused =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--bank", path("short.bank"), "-o", path("never.wav")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find(path("short.bank") + ": the plug-in refused this bank: it has 100 bytes, and a "
                                                       "bank of this plug-in has 160"),
              std::string::npos)
        << refused.errors;
    EXPECT_FALSE(fs::exists(path("never.wav")));

    Bytes mute = factory;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(mute.data() + 2 * 40, &nan, 4);
    write("mute.bank", mute);
    const ToolResult damaged =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--bank", path("mute.bank"), "-o", path("never.wav")});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.errors, "quenor-render: " + path("mute.bank") +
                                  ": damaged: program 2 holds a value that is not a finite number\n");
    EXPECT_FALSE(fs::exists(path("never.wav")));
}

TEST_F(RenderTool, BadInputEndsInOneLineNamingTheFileAndLeavesNoOutput) {
    TrackBytes track;
    track.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).end(0);
    const Bytes good = midiFile(0, 480, {track});
    const std::string valid = write("valid.mid", good);
    const std::string truncated = write("truncated.mid", Bytes(good.begin(), good.end() - 4));
    const std::string corrupt = write("corrupt.mid", Bytes{'n', 'o', 't', ' ', 'm', 'i', 'd', 'i'});
    const std::string text = write("text.so", Bytes{'h', 'e', 'l', 'l', 'o'});
    fs::create_directory(path("occupied.wav"));
    const std::string out = path("out.wav");

    struct Case {
        std::vector<std::string> arguments;
        std::string named;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{path("missing.mid"), "-o", out}, path("missing.mid"), "No such file or directory"},
        {{truncated, "-o", out}, truncated, "truncated"},
        {{corrupt, "-o", out}, corrupt, "not a Standard MIDI File"},
        {{write("stub.mid", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6}), "-o", out},
         path("stub.mid"),
         "too short for a MIDI file: 8 bytes"},
        {{"--plugin", path("none.so"), valid, "-o", out}, path("none.so"), "cannot read plug-in"},
        {{"--plugin", text, valid, "-o", out}, text, "cannot load plug-in"},
        {{"--plugin", NO_ENTRY_PLUGIN_PATH, valid, "-o", out}, NO_ENTRY_PLUGIN_PATH, "no VSTPluginMain"},
        {{"--plugin", WRONG_MAGIC_PLUGIN_PATH, valid, "-o", out}, WRONG_MAGIC_PLUGIN_PATH, "wrong magic"},
        {{"--plugin", NOT_SYNTH_PLUGIN_PATH, valid, "-o", out}, NOT_SYNTH_PLUGIN_PATH, "not an instrument"},
        {{valid, "-o", path("no-such-dir/out.wav")}, path("no-such-dir/out.wav"), "cannot write"},
        {{valid, "-o", path("occupied.wav")}, path("occupied.wav"), "it is a directory"},
    };
    const std::vector<std::string> before = files();
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        if (arguments.front() != "--plugin") arguments.insert(arguments.begin(), {"--plugin", QUENOR_PLUGIN_PATH});
        const ToolResult result = runRenderTool(arguments);
        EXPECT_EQ(result.exitCode, 1) << c.reason;
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
        EXPECT_EQ(result.errors.rfind("quenor-render: " + c.named + ": ", 0), 0u) << result.errors;
        EXPECT_NE(result.errors.find(c.reason), std::string::npos) << result.errors;
        EXPECT_EQ(files(), before) << "left something behind: " << c.reason;
    }
}

TEST_F(RenderTool, UsageMistakesAndInterruptionsWriteNothing) {
    const std::vector<std::vector<std::string>> mistakes = {
        {"--bits", "12", "-o", path("a.wav")},
        {"--program", "1", "--preset", "bright", "-o", path("a.wav")},
        {"--block", "0", "-o", path("a.wav")},
        {"--tail", "-1", "-o", path("a.wav")},
        {"--rate", "0", "-o", path("a.wav")},
        {"--rate", "-5", "-o", path("a.wav")},
        {"--rate", "abc", "-o", path("a.wav")},
        {"--gain", "loud", "-o", path("a.wav")},
        {"--gain", "3", "--normalize", "-o", path("a.wav")},
        {"--channels", "0", "-o", path("a.wav")},
        {"--channels", "3-1", "-o", path("a.wav")},
        {"--tracks", "1,,2", "-o", path("a.wav")},
        {"--tracks", "2", "-o", path("a.wav")},       // the demo has one track
        {"--channels", "3-16", "-o", path("a.wav")},  // and plays on channels 1 and 2
        {"one.mid", "two.mid", "-o", path("a.wav")},
        {"--quiet"},
    };
    for (const auto& arguments : mistakes) {
        const ToolResult result = runRenderTool(arguments);
        EXPECT_EQ(result.exitCode, 2) << result.errors;
        EXPECT_NE(result.errors.find("Try 'quenor-render --help'"), std::string::npos) << result.errors;
    }
    // The range named is the one accepted.
    const ToolResult aboveFullScale = runRenderTool({"--normalize=1", "-o", path("a.wav")});
    EXPECT_EQ(aboveFullScale.errors.rfind("quenor-render: --normalize wants decibels from -60 to 0, not '1'\n", 0),
              0u)
        << aboveFullScale.errors;
    // The demo takes seconds to render; stopped early, it leaves no file.
    const ToolResult stopped =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "-o", path("demo.wav")}, 300);
    EXPECT_EQ(stopped.exitCode, 130) << stopped.errors;
    EXPECT_EQ(stopped.errors, "quenor-render: " + path("demo.wav") + ": interrupted, nothing written\n");
    EXPECT_EQ(files(), std::vector<std::string>{});
}

TEST_F(RenderTool, DemoPlaysTheBuiltInPieceAndSummarises) {
    const ToolResult result = runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "-o", path("demo.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    // Not a terminal: no progress bar, one summary line.
    EXPECT_EQ(result.errors.find('\r'), std::string::npos);
    EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
    for (const char* figure : {"s rendered", "peak", "clipped samples", "real time"})
        EXPECT_NE(result.errors.find(figure), std::string::npos) << result.errors;

    // The block loop is compared with a direct drive above; here the demo's
    // own events must come through whole: it plays from its first frame and
    // lasts at least as long as its score.
    const EventTimeline demo = layOutInFrames(demoPiece());
    const StereoAudio rendered = readWav("demo.wav");
    EXPECT_GE(rendered.frames(), demo.endFrame);
    EXPECT_LT(rendered.frames(), demo.endFrame + 30 * 44100);
    const std::int64_t start = firstAudible(rendered);
    EXPECT_GE(start, 0);
    EXPECT_LT(start, 512) << "the demo starts on its first frame";
    const auto clipped = [](const std::vector<float>& channel) {
        return std::count_if(channel.begin(), channel.end(), [](float x) { return std::fabs(x) >= 1.0f; });
    };
    EXPECT_EQ(clipped(rendered.left) + clipped(rendered.right), 0) << "the demo's loudest bars clip";
}

TEST_F(RenderTool, AtFortyEightKilohertzNotesKeepTheirPitchAndTheLengthScalesExactly) {
    // Three held notes with the pedal, low, middle and high, one after another.
    TrackBytes track;
    track.event(0, {0xB0, 64, 127})
        .event(0, {0x90, 45, 90})
        .event(960, {0x80, 45, 0})
        .event(0, {0x90, 69, 90})
        .event(960, {0x80, 69, 0})
        .event(0, {0x90, 88, 90})
        .event(960, {0x80, 88, 0})
        .event(0, {0xB0, 64, 0})
        .end(0);
    const std::string midi = write("phrase.mid", midiFile(0, 480, {track}));
    render({"--tail", "1", "-o", path("44.wav"), midi});
    render({"--tail", "1", "--rate", "48000", "-o", path("48.wav"), midi});
    const StereoAudio at44 = readWav("44.wav");
    SF_INFO info;
    const StereoAudio at48 = readWav("48.wav", &info, 48000);
    EXPECT_EQ(at48.frames(), std::llround(static_cast<double>(at44.frames()) * 48000.0 / 44100.0));

    const int notes[] = {45, 69, 88};
    for (int n = 0; n < 3; ++n) {
        const double nominal = 440.0 * std::pow(2.0, (notes[n] - 69) / 12.0);
        // From 0.2 s after the strike, for 0.75 s of the second the note is held.
        const double start = 1.0 * n + 0.2, length = 0.75;
        const double f44 = partialCentroid(at44.left, std::llround(start * 44100), std::llround(length * 44100),
                                           44100, nominal, 1.02);
        const double f48 = partialCentroid(at48.left, std::llround(start * 48000), std::llround(length * 48000),
                                           48000, nominal, 1.02);
        EXPECT_LT(std::fabs(cents(f48, f44)), 1.0)
            << "note " << notes[n] << ": " << f44 << " Hz at 44100, " << f48 << " Hz at 48000";
    }
    const auto peak = [](const StereoAudio& audio) {
        float p = 0.0f;
        for (std::int64_t i = 0; i < audio.frames(); ++i)
            p = std::max({p, std::fabs(audio.left[i]), std::fabs(audio.right[i])});
        return p;
    };
    ASSERT_LT(peak(at44), 0.9f) << "the phrase is meant to leave headroom";
    EXPECT_LT(peak(at48), 1.0f) << "the conversion clips";
    EXPECT_NEAR(peak(at48), peak(at44), 0.05f * peak(at44));
}

TEST_F(RenderTool, VolumeAndAllNotesOffLandOnTheirFrameWhateverTheBlockSize) {
    TrackBytes track;
    track.event(0, {0x90, 60, 100})
        .event(0, {0x90, 67, 90})
        .event(101, {0xB0, 7, 40})  // 0.114... s: frame 5036
        .event(77, {0xB0, 7, 120})
        .event(150, {0xB0, 123, 0})
        .event(30, {0x90, 72, 80})
        .event(300, {0x80, 72, 0})
        .end(0);
    const std::string midi = write("controls.mid", midiFile(0, 480, {track}));
    render({"--tail", "0.5", "-o", path("b512.wav"), midi});
    render({"--tail", "0.5", "--block", "97", "-o", path("b97.wav"), midi});
    const StereoAudio b512 = readWav("b512.wav"), b97 = readWav("b97.wav");
    EXPECT_EQ(b512.left, b97.left);
    EXPECT_EQ(b512.right, b97.right);

    // A host calling the plug-in one frame at a time applies every event at its frame.
    const auto frame = [](int ticks) { return static_cast<std::int64_t>(std::llround(ticks * 44100.0 / 960.0)); };
    const std::vector<DirectEvent> events = {{0, 0x90, 60, 100},         {0, 0x90, 67, 90},
                                             {frame(101), 0xB0, 7, 40},  {frame(178), 0xB0, 7, 120},
                                             {frame(328), 0xB0, 123, 0}, {frame(358), 0x90, 72, 80},
                                             {frame(658), 0x80, 72, 0}};
    const StereoAudio direct = driveDirectly(QUENOR_PLUGIN_PATH, events, {1, -1, b512.frames()});
    ASSERT_GE(firstAudible(direct), 0);
    expectSameAudio(b512, direct, b512.frames());
}

TEST_F(RenderTool, ChannelTenIsLeftOutUnlessChosenAndTheListenerIsWarned) {
    TrackBytes conductor;
    conductor.tempo(0, 500000).end(0);
    TrackBytes piano;
    piano.event(0, {0xB0, 7, 100})
        .event(0, {0xB0, 64, 127})
        .event(0, {0x90, 60, 90})
        .event(480, {0x80, 60, 0})
        .end(0);
    TrackBytes drums;
    drums.event(0, {0xB9, 7, 90})
        .event(0, {0xB9, 64, 127})
        .event(0, {0x99, 36, 100})
        .event(240, {0x89, 36, 0})
        .event(0, {0x99, 38, 100})
        .event(240, {0x89, 38, 0})
        .end(0);
    TrackBytes low;
    low.event(0, {0x91, 12, 80}).event(480, {0x81, 12, 0}).end(0);
    const std::string midi = write("gm.mid", midiFile(1, 480, {conductor, piano, drums, low}));

    const ToolResult warned = runRenderTool(
        {"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--tail", "0.5", "-o", path("default.wav"), midi});
    ASSERT_EQ(warned.exitCode, 0) << warned.errors;
    EXPECT_NE(warned.errors.find("quenor-render: warning: channel 10 (General MIDI drums) is left out: 2 notes; "
                                 "--channels all plays them"),
              std::string::npos)
        << warned.errors;
    EXPECT_NE(warned.errors.find("warning: 1 notes fall outside the piano's 21..108"), std::string::npos)
        << warned.errors;
    // Only channel 1 sends Volume once channel 10 is out.
    EXPECT_EQ(warned.errors.find("send Volume"), std::string::npos) << warned.errors;

    const ToolResult all = runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--tail", "0.5", "--channels",
                                          "all", "-o", path("all.wav"), midi});
    ASSERT_EQ(all.exitCode, 0) << all.errors;
    EXPECT_EQ(all.errors.find("left out"), std::string::npos) << all.errors;
    EXPECT_NE(all.errors.find("warning: channels 1, 10 all send Volume (controller 7)"), std::string::npos)
        << all.errors;
    EXPECT_NE(all.errors.find("warning: channels 1, 10 all send the sustain pedal (controller 64), and they all "
                              "move the piano's one pedal"),
              std::string::npos)
        << all.errors;

    render({"--tail", "0.5", "--tracks", "2", "-o", path("track2.wav"), midi});
    render({"--tail", "0.5", "--channels", "1", "-o", path("channel1.wav"), midi});
    const StereoAudio byDefault = readWav("default.wav"), everything = readWav("all.wav");
    const StereoAudio track2 = readWav("track2.wav"), channel1 = readWav("channel1.wav");
    EXPECT_EQ(byDefault.left, track2.left) << "the default plays more than the piano track";
    EXPECT_EQ(track2.left, channel1.left);
    EXPECT_NE(everything.left, byDefault.left) << "--channels all does not play the drums";

    // Choices that leave nothing to play are mistakes on the command line.
    const ToolResult noTrack =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--tracks", "5", "-o", path("none.wav"), midi});
    EXPECT_EQ(noTrack.exitCode, 2);
    EXPECT_NE(noTrack.errors.find("--tracks names track 5 but the file has 4"), std::string::npos)
        << noTrack.errors;
    const ToolResult noNotes =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--channels", "3", "-o", path("none.wav"), midi});
    EXPECT_EQ(noNotes.exitCode, 2);
    EXPECT_EQ(
        noNotes.errors.rfind("quenor-render: --channels leaves no notes to play; the notes are on channels 1, "
                             "2, 10 in tracks 2, 3, 4\n",
                             0),
        0u)
        << noNotes.errors;
    EXPECT_FALSE(fs::exists(path("none.wav")));
}

TEST_F(RenderTool, GainScalesEverySampleAndNormalizeReachesThePeak) {
    TrackBytes track;
    track.event(0, {0x90, 50, 100})
        .event(0, {0x90, 62, 100})
        .event(480, {0x80, 50, 0})
        .event(0, {0x80, 62, 0})
        .end(0);
    const std::string midi = write("dyad.mid", midiFile(0, 480, {track}));
    render({"--tail", "0.5", "-o", path("plain.wav"), midi});
    render({"--tail", "0.5", "--gain", "-6", "-o", path("soft.wav"), midi});
    render({"--tail", "0.5", "--normalize", "-o", path("normal.wav"), midi});
    render({"--tail", "0.5", "--normalize=-3", "-o", path("normal3.wav"), midi});
    const StereoAudio plain = readWav("plain.wav"), soft = readWav("soft.wav");
    ASSERT_EQ(soft.frames(), plain.frames());
    const float factor = static_cast<float>(std::pow(10.0, -6.0 / 20.0));
    for (std::int64_t i = 0; i < plain.frames(); ++i)
        if (soft.left[i] != plain.left[i] * factor || soft.right[i] != plain.right[i] * factor) {
            ADD_FAILURE() << "frame " << i << " is not the plain render times " << factor;
            break;
        }
    const auto peak = [](const StereoAudio& audio) {
        float p = 0.0f;
        for (std::int64_t i = 0; i < audio.frames(); ++i)
            p = std::max({p, std::fabs(audio.left[i]), std::fabs(audio.right[i])});
        return p;
    };
    EXPECT_NEAR(peak(readWav("normal.wav")), std::pow(10.0, -1.0 / 20.0), 1e-6);
    EXPECT_NEAR(peak(readWav("normal3.wav")), std::pow(10.0, -3.0 / 20.0), 1e-6);
}

// The number before " clipped samples" in a summary; -1 when there is none.
long long clippedInSummary(const std::string& summary) {
    const std::size_t figure = summary.find(" clipped samples");
    if (figure == std::string::npos || figure == 0) return -1;
    const std::size_t start = summary.rfind(' ', figure - 1);
    if (start == std::string::npos) return -1;
    return std::stoll(summary.substr(start + 1, figure - start - 1));
}

TEST_F(RenderTool, TheInstrumentsOwnClipIsCountedWhateverTheGainAndMidiVolumeCanBeLeftOut) {
    // A loud chord with the pedal: below full scale at the factory Volume,
    // clipped at General MIDI's Volume of 127.
    TrackBytes loud, plain;
    loud.event(0, {0xB0, 7, 127});
    for (TrackBytes* track : {&loud, &plain}) {
        track->event(0, {0xB0, 64, 127});
        for (std::uint8_t note : {36, 43, 48, 55, 60, 64, 67, 72}) track->event(0, {0x90, note, 127});
        track->event(480, {0xB0, 64, 0}).end(0);
    }
    const std::string loudMidi = write("loud.mid", midiFile(0, 480, {loud}));
    const std::string plainMidi = write("plain.mid", midiFile(0, 480, {plain}));
    const auto summarise = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--plugin", QUENOR_PLUGIN_PATH, "--tail", "0.5"});
        const ToolResult result = runRenderTool(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.errors;
    };

    // Scaled below full scale, the clipped tops are still counted, and the
    // summary says what caused them.
    const std::string normalized = summarise({"--normalize", "-o", path("normalized.wav"), loudMidi});
    EXPECT_GT(clippedInSummary(normalized), 0) << normalized;
    EXPECT_NE(normalized.find("\n" + path("normalized.wav") +
                              ": the instrument clipped its output, which --gain and --normalize cannot undo; the "
                              "file's Volume messages (controller 7) set its Volume as high as 127 of 127; "
                              "--volume-messages ignore plays at the program's Volume\n"),
              std::string::npos)
        << normalized;

    // Left out, the file's Volume plays as if it had never been sent.
    const std::string ignored = summarise({"--volume-messages", "ignore", "-o", path("ignored.wav"), loudMidi});
    EXPECT_EQ(clippedInSummary(ignored), 0) << ignored;
    EXPECT_EQ(std::count(ignored.begin(), ignored.end(), '\n'), 1) << ignored;
    render({"--tail", "0.5", "-o", path("plain.wav"), plainMidi});
    EXPECT_EQ(readWav("ignored.wav").left, readWav("plain.wav").left);

    // A gain that takes the file past full scale is told apart from the instrument's clip.
    const std::string amplified = summarise({"--gain", "20", "-o", path("amplified.wav"), plainMidi});
    EXPECT_EQ(clippedInSummary(amplified), 0) << amplified;
    EXPECT_NE(amplified.find(" at or beyond full scale in the file"), std::string::npos) << amplified;
}

// A program copied away from its build finds the plug-in where Linux hosts
// look for it, and names every place it looked when none holds it.
TEST_F(RenderTool, ACopiedProgramLooksForThePluginInTheHostsFolders) {
    fs::create_directories(path("bin"));
    fs::create_directories(path("home/.vst"));
    const std::string copy = path("bin/quenor-render");
    fs::copy_file(QUENOR_RENDER_PATH, copy);
    const std::vector<std::string> home = {"HOME=" + path("home")};
    const std::vector<std::string> saveBank = {"--save-bank", path("factory.bank")};

    if (!fs::exists("/usr/lib/vst/quenor-m4.so") && !fs::exists("/usr/local/lib/vst/quenor-m4.so")) {
        const ToolResult missing = runRenderTool(saveBank, 0, copy, home);
        EXPECT_EQ(missing.exitCode, 1);
        EXPECT_EQ(missing.errors, "quenor-render: cannot find quenor-m4.so in " + path("bin") + ", " +
                                      path("lib/vst") + ", " + path("home/.vst") +
                                      ", /usr/lib/vst, /usr/local/lib/vst; give --plugin PATH\n");
    }
    // A stand-in that is no instrument shows which one was loaded, whatever
    // the folders after ~/.vst hold.
    fs::create_symlink(NOT_SYNTH_PLUGIN_PATH, path("home/.vst/quenor-m4.so"));
    const ToolResult found = runRenderTool(saveBank, 0, copy, home);
    EXPECT_EQ(found.errors.rfind("quenor-render: " + path("home/.vst/quenor-m4.so") + ": ", 0), 0u) << found.errors;
    EXPECT_NE(found.errors.find("not an instrument"), std::string::npos) << found.errors;
}

TEST_F(RenderTool, RefusesToWriteOverTheMidiFileAndNamesTheProgramRange) {
    TrackBytes track;
    track.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).end(0);
    const Bytes score = midiFile(0, 480, {track});
    const std::string midi = write("song.mid", score);
    for (const std::string& output : {midi, dir.string() + "/./song.mid"}) {
        const ToolResult result = runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, midi, "-o", output});
        EXPECT_EQ(result.exitCode, 2) << result.errors;
        EXPECT_NE(result.errors.find("is the MIDI file being read"), std::string::npos) << result.errors;
    }
    EXPECT_EQ(read("song.mid"), score);

    const ToolResult program =
        runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--program", "4", "-o", path("a.wav")});
    EXPECT_EQ(program.exitCode, 2);
    EXPECT_NE(program.errors.find("--program wants 0..3 or a program name (bright, plastic, metallic, expressive), "
                                  "not '4'"),
              std::string::npos)
        << program.errors;
    EXPECT_EQ(files(), std::vector<std::string>{"song.mid"});
}

}  // namespace
