// Pinned renders: a short pedalled piece played on each factory program
// through the built module, reduced to a hash of the exact sample bits and
// compared with tests/module/golden/renders.txt. The kernel comparisons cannot
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

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/MidiVocabulary.h"
#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/SystemDifferences.h"

using namespace testhost;

namespace {

constexpr std::int64_t kFrames = 8192;
constexpr VstInt32 kBlock = 512;

using midi::kControlChange, midi::kNoteOff, midi::kNoteOn, midi::kSustainPedal, midi::kVolume;

// Chords low, middle and high, soft and hard, released under the pedal and
// without it, the two outermost keys, and a Volume change; most events fall
// inside a block rather than on its start.
const std::vector<TimedMessage> kPiece = {
    {0, kControlChange, kSustainPedal, 127},
    {0, kNoteOn, 36, 100},
    {0, kNoteOn, 48, 100},
    {0, kNoteOn, 52, 100},
    {0, kNoteOn, 55, 100},
    {1000, kNoteOn, 60, 40},
    {1000, kNoteOn, 64, 40},
    {1001, kNoteOn, 67, 40},
    {2000, kNoteOff, 36, 0},
    {2000, kNoteOff, 48, 0},
    {2000, kNoteOff, 52, 0},
    {2000, kNoteOff, 55, 0},
    {2500, kNoteOn, 72, 127},
    {2500, kNoteOn, 76, 127},
    {2500, kNoteOn, 79, 127},
    {2500, kNoteOn, 84, 127},
    {3500, kControlChange, kSustainPedal, 0},
    {4000, kNoteOff, 60, 0},
    {4000, kNoteOff, 64, 0},
    {4000, kNoteOff, 67, 0},
    {4100, kNoteOn, 21, 90},
    {4100, kNoteOn, 108, 90},
    {5000, kControlChange, kVolume, 100},
    {6000, kControlChange, kSustainPedal, 127},
    {6037, kNoteOn, 41, 80},
    {6037, kNoteOn, 45, 80},
    {6037, kNoteOn, 48, 80},
    {7000, kNoteOff, 72, 0},
    {7000, kNoteOff, 76, 0},
    {7000, kNoteOff, 79, 0},
    {7000, kNoteOff, 84, 0},
    {7000, kNoteOff, 21, 0},
    {7000, kNoteOff, 108, 0},
    {7000, kNoteOff, 41, 0},
    {7000, kNoteOff, 45, 0},
    {7000, kNoteOff, 48, 0},
    {7500, kControlChange, kSustainPedal, 0},
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

struct PinnedRender {
    int workers;
    int program;
    std::string name;
    std::string hash;
};

// Several render workers add their sums in another order than one does, so a
// render is pinned for each worker count. Answers the worker count the
// instance renders with, where the system lets the count be chosen the one
// wanted.
std::unique_ptr<PluginInstance> createInstance(const PluginLibrary& library, int wantedWorkers, int& workers) {
    ProcessorLimit limit(wantedWorkers);
    EXPECT_TRUE(limit.narrowed());
    workers = limit.processors();
    auto instance = std::make_unique<PluginInstance>(library);
    EXPECT_TRUE(limit.restore());
    return instance;
}

// A silent render would pin nothing worth keeping.
void expectSound(const StereoBuffer& out, const std::string& what) {
    float peak = 0.0f;
    for (std::size_t i = 0; i < out.frames(); ++i)
        peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    EXPECT_GT(peak, 1e-3f) << what;
}

PinnedRender renderProgram(const PluginLibrary& library, int wantedWorkers, int program) {
    int workers = 0;
    const std::unique_ptr<PluginInstance> plugin = createInstance(library, wantedWorkers, workers);
    plugin->dispatch(effSetProgram, 0, program);
    const StereoBuffer out = perform(plugin->effect(), kPiece, kFrames, kBlock);
    expectSound(out, "program " + std::to_string(program));
    return {workers, program, plugin->text(effGetProgramName), hex(hashRender(out))};
}

// A bank of the host's own: four records of four little-endian floats and a
// 24-byte name.
std::vector<unsigned char> customBank() {
    const float values[4][4] = {
        {0.9f, 0.2f, 0.8f, 0.1f}, {0.6f, 0.95f, 0.3f, 0.7f}, {0.75f, 0.05f, 1.0f, 0.0f}, {0.5f, 0.5f, 0.5f, 0.9f}};
    std::vector<unsigned char> bank;
    for (int program = 0; program < 4; ++program) {
        for (float value : values[program]) {
            const auto bits = std::bit_cast<std::uint32_t>(value);
            for (int shift = 0; shift < 32; shift += 8) bank.push_back(static_cast<unsigned char>(bits >> shift));
        }
        std::string name = "host " + std::to_string(program);
        name.resize(24, '\0');
        bank.insert(bank.end(), name.begin(), name.end());
    }
    return bank;
}

// Notes across the keyboard with pedal, Volume and all notes off inside
// blocks, program changes between blocks, all after a bank loaded by the host.
PinnedRender renderMixedScript(const PluginLibrary& library, int wantedWorkers) {
    int workers = 0;
    const std::unique_ptr<PluginInstance> plugin = createInstance(library, wantedWorkers, workers);
    std::vector<unsigned char> bank = customBank();
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 160);
    AEffect* effect = plugin->effect();
    StereoBuffer out;
    for (int block = 0; block < 24; ++block) {
        if (block % 6 == 3) plugin->dispatch(effSetProgram, 0, (block / 6) % 4);
        std::vector<MidiMessage> messages;
        const int root = 21 + (block * 11) % 80;
        messages.push_back(noteOn(block * 13 % kBlock, root, 30 + block * 4));
        messages.push_back(noteOn(block * 29 % kBlock, root + 7, 110 - block * 3, block % 16));
        if (block % 4 == 1) messages.push_back(controller(200, 64, 127));
        if (block % 4 == 3) messages.push_back(controller(311, 64, 0));
        if (block % 5 == 2) messages.push_back(noteOff(77, root));
        if (block == 9) messages.push_back(controller(450, 7, 64));
        if (block == 16) messages.push_back(controller(123, 123, 0));
        sendMidi(effect, messages);
        out.append(process(effect, kBlock));
    }
    expectSound(out, "mixed script");
    return {workers, -1, "mixed", hex(hashRender(out))};
}

// Lines "workers program name hash"; '#' starts a comment line.
std::vector<PinnedRender> readPinned(const char* path) {
    std::vector<PinnedRender> pinned;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        PinnedRender render{};
        if (fields >> render.workers >> render.program >> render.name >> render.hash) pinned.push_back(render);
    }
    return pinned;
}

const PinnedRender* findPinned(const std::vector<PinnedRender>& pinned, int workers, int program) {
    for (const PinnedRender& render : pinned)
        if (render.workers == workers && render.program == program) return &render;
    return nullptr;
}

bool writePinned(const char* path, const std::vector<PinnedRender>& renders) {
    std::ofstream file(path, std::ios::trunc);
    file << "# Pinned renders, made by tests/module/GoldenRenderTest.cpp: render workers,\n"
            "# program index (-1: the mixed script), program name, 64-bit FNV-1a of the\n"
            "# samples (left then right of every frame, each float's four bytes least\n"
            "# significant first). The same on every system and processor for the same\n"
            "# worker count. Rewrite with QUENOR_REGENERATE_GOLDEN=1 only when the sound\n"
            "# is meant to change.\n";
    for (const PinnedRender& render : renders)
        file << render.workers << ' ' << render.program << ' ' << render.name << ' ' << render.hash << '\n';
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

TEST(GoldenRender, RendersAsPinnedForEachWorkerCount) {
    PluginLibrary library;
    std::vector<PinnedRender> renders;
    for (int wanted : {1, 2}) {
        std::vector<PinnedRender> set;
        for (int program = 0; program < 4; ++program) set.push_back(renderProgram(library, wanted, program));
        set.push_back(renderMixedScript(library, wanted));
        for (std::size_t a = 0; a < set.size(); ++a)
            for (std::size_t b = a + 1; b < set.size(); ++b)
                EXPECT_NE(set[a].hash, set[b].hash) << set[a].name << " and " << set[b].name << " sound the same";
        // Where the pool cannot be narrowed, both passes render with the same count.
        if (!findPinned(renders, set.front().workers, 0)) renders.insert(renders.end(), set.begin(), set.end());
    }

    std::vector<PinnedRender> pinned = readPinned(QUENOR_GOLDEN_RENDERS);
    if (regenerating()) {
        // Worker counts this machine cannot give keep their lines.
        for (const PinnedRender& old : pinned)
            if (!findPinned(renders, old.workers, old.program)) renders.push_back(old);
        ASSERT_TRUE(writePinned(QUENOR_GOLDEN_RENDERS, renders)) << QUENOR_GOLDEN_RENDERS;
        GTEST_SKIP() << "wrote " << QUENOR_GOLDEN_RENDERS;
    }
    int compared = 0;
    for (const PinnedRender& render : renders) {
        const PinnedRender* expected = findPinned(pinned, render.workers, render.program);
        if (!expected) continue;
        SCOPED_TRACE(std::to_string(render.workers) + " workers, " + render.name);
        EXPECT_EQ(render.name, expected->name);
        EXPECT_EQ(render.hash, expected->hash)
            << "the sound changed; if that is meant, rerun with QUENOR_REGENERATE_GOLDEN=1";
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "nothing pinned for " << renders.front().workers << " workers in " << QUENOR_GOLDEN_RENDERS;
}
