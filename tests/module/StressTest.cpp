// Many instances in one process, and control changes racing the audio
// thread. Under ThreadSanitizer these also show that nothing races.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

namespace {

VstIntPtr plainHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::vector<TimedMessage> piece() {
    std::vector<TimedMessage> messages;
    for (int i = 0; i < 24; ++i) {
        const auto note = static_cast<unsigned char>(28 + (i * 7) % 76);
        messages.push_back({i * 700, 0x90, note, static_cast<unsigned char>(40 + i * 3)});
        messages.push_back({i * 700 + 2100, 0x80, note, 0});
        if (i % 6 == 0) messages.push_back({i * 700 + 5, 0xB0, 64, static_cast<unsigned char>(i % 12 ? 0 : 127)});
    }
    std::stable_sort(messages.begin(), messages.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return a.frame < b.frame; });
    return messages;
}

constexpr std::int64_t kPieceFrames = 24 * 700 + 4000;

}  // namespace

TEST(Stress, EightInstancesOnEightThreadsEachSoundAsOneAlone) {
    PluginLibrary library;
    StereoBuffer alone;
    {
        PluginInstance plugin(library, plainHost);
        alone = perform(plugin.effect(), piece(), kPieceFrames, 512);
    }
    std::vector<StereoBuffer> results(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            PluginInstance plugin(library, plainHost);
            // Different block sizes per thread; the samples must not care.
            results[t] = perform(plugin.effect(), piece(), kPieceFrames, 64 << (t % 4));
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 8; ++t) EXPECT_TRUE(results[t] == alone) << "instance " << t;
}

// What a reader can rely on while other threads change programs: every value
// it reads, through getParameter or a 32-bit load from the chunk, is a whole
// value some writer stored, never a mixture of two; a record read during a
// change may hold values from before and after it (as a block rendered
// meanwhile may), and is whole once the changes stop.
TEST(Stress, ChangesFromThreeThreadsWhileAFourthRenders) {
    PluginLibrary library;
    PluginInstance plugin(library, plainHost);
    AEffect* effect = plugin.effect();

    // Values with distinct bytes in every position, so a torn one is no member.
    std::vector<float> values;
    for (std::uint32_t i = 0; i < 16; ++i) values.push_back(std::bit_cast<float>(0x3C000000u + i * 0x01020304u));
    std::set<std::uint32_t> written;
    for (float v : values) written.insert(std::bit_cast<std::uint32_t>(v));
    void* data = nullptr;
    ASSERT_EQ(plugin.dispatch(effGetChunk, 0, 0, &data), 160);
    for (int i = 0; i < 40; ++i)
        if (i % 10 < 4) written.insert(static_cast<const std::uint32_t*>(data)[i]);  // the factory values

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, badSamples{0};
    std::thread editor([&] {
        for (unsigned i = 0; !stop.load(); ++i) effect->setParameter(effect, i % 4, values[i % values.size()]);
    });
    std::thread programs([&] {
        for (unsigned i = 0; !stop.load(); ++i) {
            plugin.dispatch(effSetProgram, 0, i % 4);
            for (int p = 0; p < 4; ++p)
                if (!written.count(std::bit_cast<std::uint32_t>(effect->getParameter(effect, p)))) ++torn;
            void* chunk = nullptr;
            plugin.dispatch(effGetChunk, i % 2, 0, &chunk);
            auto* words = static_cast<std::uint32_t*>(chunk);
            for (int p = 0; p < 4; ++p)
                if (!written.count(std::atomic_ref<std::uint32_t>(words[p]).load(std::memory_order_relaxed)))
                    ++torn;
        }
    });
    std::thread chunks([&] {
        unsigned char bank[160];
        for (unsigned i = 0; !stop.load(); ++i) {
            for (int r = 0; r < 4; ++r) {
                for (int p = 0; p < 4; ++p) {
                    const float v = values[(i + r * 4 + p) % values.size()];
                    std::memcpy(bank + r * 40 + p * 4, &v, 4);
                }
                std::memset(bank + r * 40 + 16, 0, 24);
                std::memcpy(bank + r * 40 + 16, "stress", 6);
            }
            const bool isPreset = i % 2 != 0;
            plugin.dispatch(effSetChunk, isPreset, isPreset ? 40 : 160, bank);
        }
    });
    std::thread audio([&] {
        for (int block = 0; block < 300; ++block) {
            if (block % 20 == 0) sendMidi(effect, {noteOn(0, 40 + block % 40, 110), noteOn(3, 70, 90)});
            const StereoBuffer out = process(effect, 256);
            for (std::size_t i = 0; i < out.frames(); ++i)
                for (float s : {out.left[i], out.right[i]})
                    if (!std::isfinite(s) || std::fabs(s) > 1.0f) ++badSamples;
        }
        stop.store(true);
    });
    for (std::thread* t : {&audio, &editor, &programs, &chunks}) t->join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(badSamples.load(), 0);

    // Once the changes stop, a record read whole is what was stored last.
    unsigned char record[40] = {};
    const float last[4] = {values[1], values[2], values[3], values[4]};
    std::memcpy(record, last, 16);
    std::memcpy(record + 16, "settled", 7);
    ASSERT_EQ(plugin.dispatch(effSetChunk, 1, 40, record), 40);
    void* chunk = nullptr;
    ASSERT_EQ(plugin.dispatch(effGetChunk, 1, 0, &chunk), 40);
    EXPECT_EQ(std::memcmp(chunk, record, 40), 0);
}

TEST(Stress, ThousandCreateDestroyCyclesLeaveThreadsAndHandles) {
    PluginLibrary library;
    { PluginInstance warmUp(library, plainHost); }
    const int threads = threadCount();
    const int handles = openHandleCount();
    ASSERT_GT(handles, 0) << "the system reports open handles";
    for (int i = 0; i < 1000; ++i) {
        AEffect* effect = library.entry()(plainHost);
        ASSERT_NE(effect, nullptr);
        if (i % 100 == 0) process(effect, 64);
        ASSERT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    }
    EXPECT_TRUE(threadCountSettlesAt(threads));
    EXPECT_EQ(openHandleCount(), handles);
}
