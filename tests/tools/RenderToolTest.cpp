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

#include "tests/tools/DirectHost.h"
#include "tests/tools/MidiBytes.h"
#include "tests/tools/ToolRunner.h"
#include "tools/DemoPiece.h"
#include "tools/EventTimeline.h"
#include "tools/Renderer.h"

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
    void SetUp() override {
        char pattern[] = "/tmp/quenor-render-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::string write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
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

    StereoAudio readWav(const std::string& name, SF_INFO* format = nullptr) const {
        SF_INFO info{};
        SNDFILE* file = sf_open(path(name).c_str(), SFM_READ, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        StereoAudio audio;
        if (!file) return audio;
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.samplerate, 44100);
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

    fs::path dir;
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
    hands.event(48, {0x90, 48, 90}).event(0, {55, 70})     // 0.25 s, running status
        .event(144, {48, 0}).event(0, {55, 0})             // 1.0 s, released by velocity 0
        .event(0, {0xB0, 64, 127}).event(0, {0x90, 60, 110})
        .event(96, {60, 0})                                // 1.75 s
        .event(48, {0xB0, 64, 0})                          // 2.125 s, 93712.5 frames
        .end(0);
    TrackBytes extremes;  // channel 10
    extremes.event(0, {0x99, 21, 127}).event(24, {21, 0})  // 0.125 s, 5512.5 frames
        .event(216, {0x99, 108, 64})                       // 1.375 s, 60637.5 frames
        .event(12, {108, 0})                               // 1.46875 s
        .end(0);
    const std::string midi = write("tempo.mid", midiFile(1, 96, {conductor, hands, extremes}));
    render({"--tail", "3", "-o", path("tempo.wav"), midi});

    const std::vector<DirectEvent> events = {
        {0, 0x99, 21, 127},    {5513, 0x99, 21, 0},   {11025, 0x90, 48, 90},  {11025, 0x90, 55, 70},
        {44100, 0x90, 48, 0},  {44100, 0x90, 55, 0},  {44100, 0xB0, 64, 127}, {44100, 0x90, 60, 110},
        {60638, 0x99, 108, 64}, {64772, 0x99, 108, 0}, {77175, 0x90, 60, 0},  {93713, 0xB0, 64, 0}};
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
    track.event(0, {0x90, 40, 127}).event(240, {0x90, 76, 90}).event(240, {0x80, 40, 0}).event(0, {0x80, 76, 0}).end(0);
    const std::string midi = write("chord.mid", midiFile(0, 480, {track}));
    const std::pair<const char*, int> formats[] = {{"16", SF_FORMAT_PCM_16}, {"24", SF_FORMAT_PCM_24}, {"32", SF_FORMAT_FLOAT}};
    for (const auto& [bits, subtype] : formats)
        render({"--tail", "0.5", "--bits", bits, "-o", path(std::string("bits") + bits + ".wav"), midi});

    SF_INFO info;
    const StereoAudio exact = readWav("bits32.wav", &info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_GE(firstAudible(exact), 0) << "the instrument makes no sound";
    for (const auto& [bits, subtype] : formats) {
        const StereoAudio audio = readWav(std::string("bits") + bits + ".wav", &info);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | subtype) << bits;
        ASSERT_EQ(audio.frames(), exact.frames()) << bits;
        const float step = std::ldexp(1.0f, 1 - std::atoi(bits));
        for (std::int64_t i = 0; i < exact.frames(); ++i)
            if (std::fabs(audio.left[i] - exact.left[i]) > step || std::fabs(audio.right[i] - exact.right[i]) > step) {
                ADD_FAILURE() << bits << " bit sample " << i << " is more than one step from the float render";
                break;
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
    const ToolResult reloaded = runRenderTool({"--plugin", QUENOR_PLUGIN_PATH, "--quiet", "--bank",
                                               path("glass.bank"), "--preset", "glass", "--save-bank",
                                               path("again.bank")});
    ASSERT_EQ(reloaded.exitCode, 0) << reloaded.errors;
    EXPECT_EQ(read("again.bank"), changed);

    write("short.bank", Bytes(100, 0));
    const ToolResult refused = runRenderTool(
        {"--plugin", QUENOR_PLUGIN_PATH, "--bank", path("short.bank"), "-o", path("never.wav")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find(path("short.bank") + ": the plug-in refused this bank"), std::string::npos)
        << refused.errors;
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
        {"one.mid", "two.mid", "-o", path("a.wav")},
        {"--quiet"},
    };
    for (const auto& arguments : mistakes) {
        const ToolResult result = runRenderTool(arguments);
        EXPECT_EQ(result.exitCode, 2) << result.errors;
        EXPECT_NE(result.errors.find("Try 'quenor-render --help'"), std::string::npos) << result.errors;
    }
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

}  // namespace
