// quenor-play against a real JACK server (the dummy backend, started per
// test): what it plays must be the plug-in's own output at 44100 Hz, in tune
// and on time at 48000 Hz, and every failure must end in one clear line.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <soxr.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "host/HostError.h"
#include "play/PlayerSettings.h"
#include "tests/play/JackTestRig.h"
#include "tests/support/DirectHost.h"
#include "tests/support/PitchMeasure.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

constexpr char kPlayer[] = "quenor-play";

// The player reports on its terminal once it plays.
void waitUntilPlaying(const PlayerRun& run) {
    for (int waited = 0; fileText(run.outputPath).find("Ctrl-C quits") == std::string::npos && waited < 10000;
         waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(fileText(run.outputPath).find("Ctrl-C quits"), std::string::npos) << fileText(run.errorPath);
}

class Player : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.made()); }

    std::string config() const { return (dir / "config").string(); }
    std::string settingsFile() const { return config() + "/quenor-m4/player-settings"; }

    // Plays the messages through the player on a fresh server and returns the recording.
    StereoAudio playThrough(int rate, int period, const std::vector<SentMessage>& messages, std::int64_t frames,
                            jack_nframes_t* latency = nullptr) {
        JackServer server(rate, period);
        EXPECT_TRUE(server.running()) << "jackd did not start";
        if (!server.running()) return {};
        PlayerRun run = startPlayer(server.name(), config(), {"--no-gui", "--no-connect"}, dir.string());
        StereoAudio audio;
        {
            TestClients clients(server.name(), frames);
            EXPECT_TRUE(clients.ready());
            EXPECT_TRUE(clients.connectTo(kPlayer, 10000)) << fileText(run.errorPath);
            waitUntilPlaying(run);
            clients.play(messages);
            for (int waited = 0; !clients.finished() && waited < 60000; waited += 20)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_TRUE(clients.finished()) << "the recording did not fill";
            EXPECT_EQ(clients.irregularCycles(), 0) << "the server's frame clock skipped";
            if (latency) *latency = clients.reportedLatency(kPlayer);
            audio.left = clients.recordedLeft();
            audio.right = clients.recordedRight();
        }
        const int status = finishPlayer(run, true);
        EXPECT_EQ(status, 0) << fileText(run.errorPath);
        float loudest = 0.0f;
        for (float sample : audio.left) loudest = std::max(loudest, std::fabs(sample));
        EXPECT_GT(loudest, 0.0f) << "silent; the player said:\n"
                                 << fileText(run.outputPath) << fileText(run.errorPath);
        return audio;
    }

    testhost::ScratchFolder scratch{"quenor-play-test"};
    const fs::path& dir = scratch.path();
};

std::vector<DirectEvent> directEvents(const std::vector<SentMessage>& messages, int rate) {
    std::vector<DirectEvent> events;
    for (const SentMessage& m : messages)
        events.push_back({m.frame * 44100 / rate, m.bytes[0], m.bytes[1], m.bytes[2]});
    return events;
}

// Where `played` sits against `reference` (the same note at the same rate):
// the lag, within `span` of `around`, of the largest cross-correlation over
// `length` frames from `from`, refined between frames by a parabola. It uses
// the whole attack rather than one threshold crossing, which on a resampled
// waveform can jump to a neighbouring lobe.
double lagOf(const std::vector<float>& played, const std::vector<float>& reference, std::int64_t from,
             std::int64_t length, int around, int span) {
    const auto correlation = [&](int lag) {
        double sum = 0.0;
        for (std::int64_t i = from; i < from + length && i < static_cast<std::int64_t>(played.size()); ++i)
            if (i - lag >= 0 && i - lag < static_cast<std::int64_t>(reference.size()))
                sum += static_cast<double>(played[i]) * reference[i - lag];
        return sum;
    };
    int best = around - span;
    for (int lag = around - span; lag <= around + span; ++lag)
        if (correlation(lag) > correlation(best)) best = lag;
    const double before = correlation(best - 1), at = correlation(best), after = correlation(best + 1);
    return best + 0.5 * (before - after) / (before - 2.0 * at + after);
}

std::vector<float> to48k(const std::vector<float>& channel) {
    std::vector<float> converted(channel.size() * 48000 / 44100 + 16);
    std::size_t made = 0;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_oneshot(44100, 48000, 1, channel.data(), channel.size(), nullptr, converted.data(), converted.size(),
                 &made, nullptr, &quality, nullptr);
    converted.resize(made);
    return converted;
}

// Notes half a period apart and at odd frames, with the pedal between.
const std::vector<SentMessage> kPhrase = {{37, {0x90, 60, 100}},    {1000, {0xB0, 64, 127}}, {2101, {0x90, 67, 80}},
                                          {9000, {0x80, 60, 0}},    {9000, {0x80, 67, 0}},   {12345, {0xB0, 64, 0}},
                                          {15000, {0x90, 48, 110}}, {30000, {0x80, 48, 0}}};

TEST_F(Player, AtTheInstrumentsRateItPlaysThePluginsOutputBitForBit) {
    const std::int64_t frames = 40000;
    const StereoAudio recorded = playThrough(44100, 128, kPhrase, frames);
    ASSERT_EQ(recorded.frames(), frames);
    const StereoAudio direct = driveDirectly(QUENOR_PLUGIN_PATH, directEvents(kPhrase, 44100), {128, -1, frames});
    std::int64_t audible = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        audible += recorded.left[i] != 0.0f;
        if (std::bit_cast<std::uint32_t>(recorded.left[i]) != std::bit_cast<std::uint32_t>(direct.left[i]) ||
            std::bit_cast<std::uint32_t>(recorded.right[i]) != std::bit_cast<std::uint32_t>(direct.right[i])) {
            ADD_FAILURE() << "frame " << i << ": played " << recorded.left[i] << ", plug-in alone "
                          << direct.left[i];
            break;
        }
    }
    EXPECT_GT(audible, frames / 2) << "the player made no sound";
}

TEST_F(Player, AtFortyEightKilohertzNotesAreInTuneAndOnTime) {
    // One note per run, struck at an odd frame, so that its onset rises out of silence.
    const double ratio = 44100.0 / 48000.0;
    const std::pair<int, std::int64_t> notes[] = {{57, 100}, {69, 1061}, {81, 4133}};
    for (const auto& [note, at] : notes) {
        const std::vector<SentMessage> messages = {{at, {0x90, static_cast<std::uint8_t>(note), 100}},
                                                   {at + 40000, {0x80, static_cast<std::uint8_t>(note), 0}}};
        jack_nframes_t latency = 0;
        const std::int64_t frames = at + 42000;
        const StereoAudio recorded = playThrough(48000, 128, messages, frames, &latency);
        ASSERT_EQ(recorded.frames(), frames);
        ASSERT_GT(latency, 0u) << "no latency reported on the outputs";
        const StereoAudio direct =
            driveDirectly(QUENOR_PLUGIN_PATH, directEvents(messages, 48000), {512, -1, frames});

        const std::int64_t struck44 = at * 44100 / 48000;
        // The strike must be heard `latency` after the message. The player
        // strikes on the 44100 Hz frame at or before it: up to one early.
        const std::int64_t heard = at + latency;
        const double expected = static_cast<double>(heard) - static_cast<double>(struck44) / ratio;
        const double lag =
            lagOf(recorded.left, to48k(direct.left), heard - 1000, 5000, static_cast<int>(expected), 20);
        EXPECT_NEAR(lag, expected - 0.5 / ratio, 0.5 / ratio + 0.15)
            << "note " << note << " (latency " << latency << ")";

        const double nominal = 440.0 * std::pow(2.0, (note - 69) / 12.0);
        const double f44 = partialCentroid(direct.left, struck44 + 4410, 30000, 44100, nominal, 1.02);
        const double f48 = partialCentroid(recorded.left, heard + std::llround(4410 / ratio),
                                           std::llround(30000 / ratio), 48000, nominal, 1.02);
        EXPECT_LT(std::fabs(cents(f48, f44)), 1.0)
            << "note " << note << ": " << f44 << " Hz alone, " << f48 << " Hz played";
    }
}

TEST_F(Player, KeepsItsSettingsBetweenRuns) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    PlayerRun first = startPlayer(server.name(), config(), {"--no-gui", "--program", "metallic"}, dir.string());
    waitUntilPlaying(first);
    ASSERT_EQ(finishPlayer(first, true), 0) << fileText(first.errorPath);
    EXPECT_NE(fileText(first.outputPath).find("program 2 'metallic'"), std::string::npos)
        << fileText(first.outputPath);
    ASSERT_TRUE(fs::exists(settingsFile()));
    const Bytes saved = [&] {
        std::ifstream in(settingsFile(), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }();
    ASSERT_EQ(saved.size(), 164u);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 160), factoryBank(QUENOR_PLUGIN_PATH));
    EXPECT_EQ(Bytes(saved.begin() + 160, saved.end()), (Bytes{2, 0, 0, 0}));

    PlayerRun second = startPlayer(server.name(), config(), {"--no-gui"}, dir.string());
    waitUntilPlaying(second);
    ASSERT_EQ(finishPlayer(second, true), 0) << fileText(second.errorPath);
    EXPECT_NE(fileText(second.outputPath).find("program 2 'metallic'"), std::string::npos)
        << fileText(second.outputPath);

    // Damaged: reported in one line, kept aside, the factory programs played.
    std::ofstream(settingsFile(), std::ios::binary | std::ios::trunc) << "damaged";
    PlayerRun third = startPlayer(server.name(), config(), {"--no-gui"}, dir.string());
    waitUntilPlaying(third);
    ASSERT_EQ(finishPlayer(third, true), 0) << fileText(third.errorPath);
    EXPECT_EQ(fileText(third.errorPath), "quenor-play: " + settingsFile() +
                                             ": damaged (7 bytes where settings have 164); "
                                             "playing the factory programs, the file is kept as " +
                                             settingsFile() + ".damaged\n");
    EXPECT_NE(fileText(third.outputPath).find("program 0 'bright'"), std::string::npos);
    EXPECT_EQ(fileText(settingsFile() + ".damaged"), "damaged");
    EXPECT_EQ(fs::file_size(settingsFile()), 164u) << "a fresh file replaces the damaged one on exit";
}

TEST(PlayerSettingsFile, WrongProgramIsDamageAndAnUnwritableFolderIsReported) {
    const testhost::ScratchFolder scratch("quenor-settings-test");
    ASSERT_TRUE(scratch.made());
    const std::string dir = scratch.path().string();
    const std::string path = dir + "/quenor-m4/player-settings";
    PlayerSettings settings{Bytes(160, 7), 3};
    savePlayerSettings(path, settings);
    std::string problem;
    const auto loaded = loadPlayerSettings(path, 160, 4, problem);
    ASSERT_TRUE(loaded.has_value()) << problem;
    EXPECT_EQ(loaded->bank, settings.bank);
    EXPECT_EQ(loaded->program, 3);
    EXPECT_EQ(problem, "");

    EXPECT_FALSE(loadPlayerSettings(path, 160, 3, problem).has_value()) << "program 3 of 3 accepted";
    EXPECT_NE(problem.find("damaged (program 3 where there are 3)"), std::string::npos) << problem;
    EXPECT_TRUE(fs::exists(path + ".damaged"));
    EXPECT_FALSE(fs::exists(path));
    problem.clear();
    EXPECT_FALSE(loadPlayerSettings(path, 160, 4, problem).has_value());
    EXPECT_EQ(problem, "") << "a missing file is no problem";

    Bytes infinite(160, 0);
    const float inf = std::numeric_limits<float>::infinity();
    std::memcpy(infinite.data() + 3 * 40 + 8, &inf, 4);
    savePlayerSettings(path, {infinite, 0});
    EXPECT_FALSE(loadPlayerSettings(path, 160, 4, problem).has_value()) << "an infinite value accepted";
    EXPECT_NE(problem.find("damaged (program 3 holds a value that is not a finite number)"), std::string::npos)
        << problem;
    problem.clear();

    // A folder that cannot be made: a file stands where it should be.
    std::ofstream(dir + "/blocked") << "x";
    EXPECT_THROW(savePlayerSettings(dir + "/blocked/quenor-m4/player-settings", settings), HostError);
    // Nothing half-written is left beside a file that was replaced.
    savePlayerSettings(path, settings);
    savePlayerSettings(path, {Bytes(160, 9), 1});
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir + "/quenor-m4"))
        entries += entry.path().filename() != "player-settings.damaged";
    EXPECT_EQ(entries, 1u);
}

TEST_F(Player, UnwritableSettingsFolderIsReportedAndTheRunStillEndsWell) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    std::ofstream((dir / "file").string()) << "x";
    PlayerRun run = startPlayer(server.name(), (dir / "file").string(), {"--no-gui"}, dir.string());
    waitUntilPlaying(run);
    EXPECT_EQ(finishPlayer(run, true), 0);
    EXPECT_NE(fileText(run.errorPath)
                  .find("quenor-play: settings not saved: " + (dir / "file").string() +
                        "/quenor-m4: cannot create the settings folder: Not a directory\n"),
              std::string::npos)
        << fileText(run.errorPath);
}

TEST_F(Player, FailuresEndInOneLine) {
    // No server at all.
    PlayerRun alone = startPlayer("quenor-test-no-such-server", config(), {"--no-gui"}, dir.string());
    EXPECT_EQ(finishPlayer(alone, false), 1);
    EXPECT_EQ(fileText(alone.errorPath),
              "quenor-play: no JACK server is running (start one: jackd, or PipeWire with its JACK support)\n");

    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    PlayerRun noPort = startPlayer(server.name(), config(), {"--no-gui", "--midi", "nowhere:out"}, dir.string());
    EXPECT_EQ(finishPlayer(noPort, false), 1);
    EXPECT_EQ(fileText(noPort.errorPath),
              "quenor-play: no MIDI source named 'nowhere:out' (quenor-play --list-midi lists them)\n");

    PlayerRun badProgram = startPlayer(server.name(), config(), {"--no-gui", "--program", "9"}, dir.string());
    EXPECT_EQ(finishPlayer(badProgram, false), 2);
    EXPECT_NE(fileText(badProgram.errorPath).find("--program wants 0..3 or a program name"), std::string::npos);

    // The server goes away while the player plays.
    PlayerRun playing = startPlayer(server.name(), config(), {"--no-gui"}, dir.string());
    waitUntilPlaying(playing);
    server.stop();
    EXPECT_EQ(finishPlayer(playing, false), 1);
    EXPECT_NE(fileText(playing.errorPath).find("quenor-play: the JACK server shut down\n"), std::string::npos)
        << fileText(playing.errorPath);
}

TEST_F(Player, PlaysWhatComesThroughTheAlsaSequencer) {
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
        GTEST_SKIP() << "this machine has no ALSA sequencer (/dev/snd/seq: the snd-seq module is not loaded)";
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    PlayerRun run = startPlayer(server.name(), config(), {"--no-gui", "--no-connect"}, dir.string());
    TestClients clients(server.name(), 44100);
    ASSERT_TRUE(clients.connectTo(kPlayer, 10000));
    snd_seq_t* sequencer = nullptr;
    ASSERT_EQ(snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, 0), 0);
    const int port = snd_seq_create_simple_port(
        sequencer, "keys", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    snd_seq_addr_t player;
    ASSERT_EQ(snd_seq_parse_address(sequencer, &player, kPlayer), 0) << "the player has no sequencer port";
    ASSERT_EQ(snd_seq_connect_to(sequencer, port, player.client, player.port), 0);
    clients.play({});
    snd_seq_event_t note;
    snd_seq_ev_clear(&note);
    snd_seq_ev_set_source(&note, port);
    snd_seq_ev_set_subs(&note);
    snd_seq_ev_set_direct(&note);
    snd_seq_ev_set_noteon(&note, 0, 60, 100);
    snd_seq_event_output_direct(sequencer, &note);
    for (int waited = 0; !clients.finished() && waited < 10000; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // A program change from the keyboard is taken up and reported.
    snd_seq_event_t change;
    snd_seq_ev_clear(&change);
    snd_seq_ev_set_source(&change, port);
    snd_seq_ev_set_subs(&change);
    snd_seq_ev_set_direct(&change);
    snd_seq_ev_set_pgmchange(&change, 0, 3);
    snd_seq_event_output_direct(sequencer, &change);
    for (int waited = 0;
         fileText(run.outputPath).find("program 3 'expressive'") == std::string::npos && waited < 10000;
         waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    snd_seq_close(sequencer);
    std::int64_t audible = 0;
    for (float sample : clients.recordedLeft()) audible += sample != 0.0f;
    EXPECT_GT(audible, 1000) << "a note through the sequencer made no sound";
    EXPECT_NE(fileText(run.outputPath).find("program 3 'expressive'"), std::string::npos)
        << "a program change through the sequencer was not taken up:\n"
        << fileText(run.outputPath);
    EXPECT_EQ(finishPlayer(run, true), 0);
}

}  // namespace
