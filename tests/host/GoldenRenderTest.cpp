// Pinned renders: a short pedalled piece played on each factory program
// through the built module, reduced to a hash of the exact sample bits and
// compared with tests/host/golden/renders.txt. The kernel comparisons cannot
// see a change of tuning, strike tables or coefficient mapping, since both of
// their sides change together; these hashes do.
//
// A deliberate change of the sound is recorded by running this test with
// QUENOR_REGENERATE_GOLDEN=1: it then rewrites the file instead of comparing
// and reports itself skipped. Commit the new file with the change.
//
// The piece and the hash use only fixed-width integers and the float bits, so
// every platform computes the same values.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"

using namespace testhost;

namespace {

constexpr std::int64_t kFrames = 8192;
constexpr VstInt32 kBlock = 512;

constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kNoteOff = 0x80;
constexpr unsigned char kController = 0xB0;
constexpr unsigned char kPedal = 64;
constexpr unsigned char kVolumeController = 7;

// Chords low, middle and high, soft and hard, released under the pedal and
// without it, the two outermost keys, and a Volume change; most events fall
// inside a block rather than on its start.
const std::vector<TimedMessage> kPiece = {
    {0, kController, kPedal, 127},
    {0, kNoteOn, 36, 100},   {0, kNoteOn, 48, 100},   {0, kNoteOn, 52, 100},   {0, kNoteOn, 55, 100},
    {1000, kNoteOn, 60, 40}, {1000, kNoteOn, 64, 40}, {1001, kNoteOn, 67, 40},
    {2000, kNoteOff, 36, 0}, {2000, kNoteOff, 48, 0}, {2000, kNoteOff, 52, 0}, {2000, kNoteOff, 55, 0},
    {2500, kNoteOn, 72, 127}, {2500, kNoteOn, 76, 127}, {2500, kNoteOn, 79, 127}, {2500, kNoteOn, 84, 127},
    {3500, kController, kPedal, 0},
    {4000, kNoteOff, 60, 0}, {4000, kNoteOff, 64, 0}, {4000, kNoteOff, 67, 0},
    {4100, kNoteOn, 21, 90}, {4100, kNoteOn, 108, 90},
    {5000, kController, kVolumeController, 100},
    {6000, kController, kPedal, 127},
    {6037, kNoteOn, 41, 80}, {6037, kNoteOn, 45, 80}, {6037, kNoteOn, 48, 80},
    {7000, kNoteOff, 72, 0}, {7000, kNoteOff, 76, 0}, {7000, kNoteOff, 79, 0}, {7000, kNoteOff, 84, 0},
    {7000, kNoteOff, 21, 0}, {7000, kNoteOff, 108, 0},
    {7000, kNoteOff, 41, 0}, {7000, kNoteOff, 45, 0}, {7000, kNoteOff, 48, 0},
    {7500, kController, kPedal, 0},
};

// 64-bit FNV-1a over bytes.
class Fnv1a64 {
public:
    void addByte(unsigned char byte) { state = (state ^ byte) * 0x100000001b3ull; }
    // The float's bits, least significant byte first, whatever the machine's byte order.
    void addFloat(float x) {
        const auto bits = std::bit_cast<std::uint32_t>(x);
        for (int shift = 0; shift < 32; shift += 8) addByte(static_cast<unsigned char>(bits >> shift));
    }
    std::uint64_t value() const { return state; }

private:
    std::uint64_t state = 0xcbf29ce484222325ull;
};

// Left then right of every frame.
std::uint64_t hashRender(const StereoBuffer& out) {
    Fnv1a64 hash;
    for (std::size_t i = 0; i < out.frames(); ++i) {
        hash.addFloat(out.left[i]);
        hash.addFloat(out.right[i]);
    }
    return hash.value();
}

std::string hex(std::uint64_t value) {
    std::ostringstream text;
    text << std::hex << std::setw(16) << std::setfill('0') << value;
    return text.str();
}

// Several render workers add their sums in another order than one does, so
// the pinned renders are those of a single worker: the instance is created
// while the thread may run on one processor only, and the pool counts those.
// Only the Linux pool counts the processors it may run on; elsewhere the
// renders can still be told apart but not compared with the pinned ones.
#if defined(__linux__)
constexpr bool kPoolFollowsAffinity = true;

class OneProcessorWhileCreating {
public:
    OneProcessorWhileCreating() {
        EXPECT_EQ(sched_getaffinity(0, sizeof original, &original), 0);
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &original)) {
                CPU_SET(cpu, &one);
                break;
            }
        EXPECT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    }
    ~OneProcessorWhileCreating() { EXPECT_EQ(sched_setaffinity(0, sizeof original, &original), 0); }

private:
    cpu_set_t original;
};
#else
constexpr bool kPoolFollowsAffinity = false;

struct OneProcessorWhileCreating {};
#endif

struct PinnedRender {
    std::string name;
    std::string hash;
};

PinnedRender renderProgram(const PluginLibrary& library, int program) {
    std::unique_ptr<PluginInstance> plugin;
    {
        [[maybe_unused]] OneProcessorWhileCreating restriction;
        plugin = std::make_unique<PluginInstance>(library);
    }
    plugin->dispatch(effSetProgram, 0, program);
    const StereoBuffer out = perform(plugin->effect(), kPiece, kFrames, kBlock);
    // A silent render would pin nothing worth keeping.
    float peak = 0.0f;
    for (std::size_t i = 0; i < out.frames(); ++i)
        peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    EXPECT_GT(peak, 1e-3f) << "program " << program;
    return {plugin->text(effGetProgramName), hex(hashRender(out))};
}

// Lines "index name hash"; '#' starts a comment line.
std::map<int, PinnedRender> readPinned(const char* path) {
    std::map<int, PinnedRender> pinned;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int program = -1;
        PinnedRender render;
        if (fields >> program >> render.name >> render.hash) pinned[program] = render;
    }
    return pinned;
}

bool writePinned(const char* path, const std::vector<PinnedRender>& renders) {
    std::ofstream file(path, std::ios::trunc);
    file << "# Pinned renders of the factory programs, made by tests/host/GoldenRenderTest.cpp:\n"
            "# program index, name, 64-bit FNV-1a of the samples (left then right of every\n"
            "# frame, each float's four bytes least significant first). Rewrite with\n"
            "# QUENOR_REGENERATE_GOLDEN=1 only when the sound is meant to change.\n";
    for (std::size_t p = 0; p < renders.size(); ++p)
        file << p << ' ' << renders[p].name << ' ' << renders[p].hash << '\n';
    return static_cast<bool>(file);
}

bool regenerating() {
    const char* value = std::getenv("QUENOR_REGENERATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

}  // namespace

TEST(GoldenRender, HashIsFnv1a64OfTheBytes) {
    Fnv1a64 empty;
    EXPECT_EQ(empty.value(), 0xcbf29ce484222325ull);
    Fnv1a64 text;
    for (char c : std::string("foobar")) text.addByte(static_cast<unsigned char>(c));
    EXPECT_EQ(text.value(), 0x85944171f73967e8ull);
    // 1.0f is 0x3f800000: bytes 00 00 80 3f.
    Fnv1a64 one;
    one.addFloat(1.0f);
    Fnv1a64 bytes;
    for (unsigned char b : {0x00, 0x00, 0x80, 0x3f}) bytes.addByte(b);
    EXPECT_EQ(one.value(), bytes.value());
}

TEST(GoldenRender, FactoryProgramsRenderAsPinned) {
    PluginLibrary library;
    std::vector<PinnedRender> renders;
    for (int program = 0; program < 4; ++program) renders.push_back(renderProgram(library, program));
    for (std::size_t a = 0; a < renders.size(); ++a)
        for (std::size_t b = a + 1; b < renders.size(); ++b)
            EXPECT_NE(renders[a].hash, renders[b].hash) << "programs " << a << " and " << b << " sound the same";

    if (!kPoolFollowsAffinity) GTEST_SKIP() << "this system's render pool cannot be limited to one worker";
    if (regenerating()) {
        ASSERT_TRUE(writePinned(QUENOR_GOLDEN_RENDERS, renders)) << QUENOR_GOLDEN_RENDERS;
        GTEST_SKIP() << "wrote " << QUENOR_GOLDEN_RENDERS;
    }
    const std::map<int, PinnedRender> pinned = readPinned(QUENOR_GOLDEN_RENDERS);
    for (int program = 0; program < static_cast<int>(renders.size()); ++program) {
        SCOPED_TRACE("program " + std::to_string(program));
        const auto found = pinned.find(program);
        ASSERT_TRUE(found != pinned.end()) << "no pinned render in " << QUENOR_GOLDEN_RENDERS;
        EXPECT_EQ(renders[program].name, found->second.name);
        EXPECT_EQ(renders[program].hash, found->second.hash)
            << "the sound changed; if that is meant, rerun with QUENOR_REGENERATE_GOLDEN=1";
    }
}
