// Every build of the kernel this processor can run must reproduce the plain
// scalar kernel bit for bit: string states, flags, strike counters and every
// output sample, through strikes, releases, the pedal, re-strikes, parameter
// changes and awkward values (-0.0, NaN, subnormals, a peak equal to the
// silence threshold).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/RenderVariants.h"
#include "engine/RenderVariants.h"
#include "tests/engine/EngineFixture.h"

namespace {

struct JobShape {
    int firstKey;
    int keyStride;
};

// One worker; two and three interleaved workers; and a stride whose 8-bit
// wrap visits key 80 and then key 24.
const std::vector<std::vector<JobShape>> kLayouts = {
    {{0, 1}}, {{0, 2}, {1, 2}}, {{0, 3}, {1, 3}, {2, 3}}, {{80, 200}, {0, 5}}};

struct Rendered {
    const char* name;
    RenderFunction render;
    std::unique_ptr<KeyModel> model;
    std::vector<float> left;
    std::vector<float> right;
};

// The reference and every runnable variant side by side, fed the same actions.
class KernelVariants : public ::testing::Test {
protected:
    void SetUp() override {
        runs.push_back({"scalar", renderKeysScalar, makeBuiltModel(), {}, {}});
        for (const RenderVariant& variant : kRenderVariants)
            if (variant.supported()) runs.push_back({variant.name, variant.render, makeBuiltModel(), {}, {}});
        for (Rendered& run : runs) ASSERT_NE(run.model, nullptr);
        ASSERT_GE(runs.size(), 2u);
    }

    template <class Action>
    void apply(Action action) {
        for (Rendered& run : runs) action(*run.model);
    }

    // Renders frames samples with the given job layout; every job writes its
    // own buffers, the first job's are compared sample for sample.
    void render(int frames, const std::vector<JobShape>& layout) {
        for (Rendered& run : runs) {
            std::vector<float> scratchL(frames, 9.0f);
            std::vector<float> scratchR(frames, 9.0f);
            run.left.assign(frames, 9.0f);
            run.right.assign(frames, 9.0f);
            for (std::size_t j = 0; j < layout.size(); ++j) {
                float* l = j == 0 ? run.left.data() : scratchL.data();
                float* r = j == 0 ? run.right.data() : scratchR.data();
                RenderJob job{layout[j].firstKey, layout[j].keyStride, run.model.get(), l, r, frames};
                run.render(&job);
            }
        }
        rendered += frames;
        expectSame();
    }

    void expectSame() {
        const Rendered& ref = runs[0];
        for (std::size_t i = 1; i < runs.size(); ++i) {
            const Rendered& run = runs[i];
            SCOPED_TRACE(std::string(run.name) + " after " + std::to_string(rendered) + " samples");
            ASSERT_EQ(std::memcmp(ref.model->pos, run.model->pos, sizeof ref.model->pos), 0);
            ASSERT_EQ(std::memcmp(ref.model->vel, run.model->vel, sizeof ref.model->vel), 0);
            ASSERT_EQ(std::memcmp(ref.model->active, run.model->active, sizeof ref.model->active), 0);
            ASSERT_EQ(std::memcmp(ref.model->strikeLeft, run.model->strikeLeft, sizeof ref.model->strikeLeft), 0);
            ASSERT_EQ(ref.left.size(), run.left.size());
            for (std::size_t s = 0; s < ref.left.size(); ++s) {
                ASSERT_EQ(std::bit_cast<std::uint32_t>(ref.left[s]), std::bit_cast<std::uint32_t>(run.left[s]))
                    << "left sample " << s;
                ASSERT_EQ(std::bit_cast<std::uint32_t>(ref.right[s]), std::bit_cast<std::uint32_t>(run.right[s]))
                    << "right sample " << s;
            }
        }
    }

    KeyModel& reference() { return *runs[0].model; }
    int activeKeys() {
        int count = 0;
        for (int k = 0; k < kNumKeys; ++k) count += reference().active[k] != 0;
        return count;
    }

    std::vector<Rendered> runs;
    long rendered = 0;
};

// Deterministic stream of small numbers for the played script.
struct Dice {
    std::uint32_t state = 12345;
    int below(int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
    }
};

TEST_F(KernelVariants, PlayedScriptMatchesTheScalarKernel) {
    for (int k = 0; k < kNumKeys; ++k) apply([k](KeyModel& m) { m.noteOn(k, 1 + (k * 37) % 127); });
    render(700, kLayouts[0]);
    EXPECT_EQ(activeKeys(), kNumKeys);

    Dice dice;
    for (int block = 0; block < 120; ++block) {
        const int events = dice.below(6);
        for (int e = 0; e < events; ++e) {
            const int key = dice.below(kNumKeys);
            const int velocity = 1 + dice.below(127);
            switch (dice.below(8)) {
            case 0:
            case 1:
            case 2: apply([&](KeyModel& m) { m.noteOn(key, velocity); }); break;
            case 3:
            case 4: apply([&](KeyModel& m) { m.noteOff(key); }); break;
            case 5: apply([](KeyModel& m) { m.sustainDown(); }); break;
            case 6: apply([](KeyModel& m) { m.sustainUp(); }); break;
            default: {
                const float metal = dice.below(101) / 100.0f;
                const float sustain = dice.below(101) / 100.0f;
                const float damper = dice.below(101) / 100.0f;
                apply([&](KeyModel& m) { m.updateCoefficients(kAllDirty, metal, sustain, damper); });
            }
            }
        }
        if (block == 60) apply([](KeyModel& m) { m.allNotesOff(); });
        render(1 + dice.below(700), kLayouts[block % kLayouts.size()]);
    }
    EXPECT_GT(rendered, 30000);
}

TEST_F(KernelVariants, SubnormalWaveFrontsAndLongHeldDecaysMatch) {
    // Low strings have little tension: the strike spreads as a front whose
    // leading points pass through subnormal values before the wave arrives.
    apply([](KeyModel& m) {
        m.updateCoefficients(kAllDirty, 0.0f, 1.0f, 0.0f);
        m.sustainDown();
        for (int k = 0; k < 12; ++k) m.noteOn(k, 30 + 8 * k);
    });
    int subnormals = 0;
    for (int block = 0; block < 8; ++block) {
        render(5, kLayouts[block % 2]);
        for (int k = 0; k < 12; ++k)
            for (float x : reference().pos[k][0]) subnormals += std::fpclassify(x) == FP_SUBNORMAL;
    }
    EXPECT_GT(subnormals, 0);
    for (int block = 0; block < 40; ++block) render(1000, kLayouts[block % 2]);
    EXPECT_EQ(activeKeys(), 12);
}

TEST_F(KernelVariants, SignedZerosAndNaNsMatch) {
    apply([](KeyModel& m) {
        // Key 30 rests at -0.0 everywhere and is kept on by a silent strike.
        m.noteOn(30, 64);
        m.strikeGainRaw[30] = 0.0f;
        m.strikeGainSmooth[30] = -0.0f;
        for (int s = 0; s < 2; ++s)
            for (int j = 0; j < kMaxPoints; ++j) {
                m.pos[30][s][j] = -0.0f;
                m.vel[30][s][j] = -0.0f;
            }
        // Key 50 gets a NaN in one point of each string: the scalar peak
        // ignores NaN, so once it has spread the key falls silent.
        m.noteOn(50, 100);
        m.vel[50][0][10] = std::numeric_limits<float>::quiet_NaN();
        m.vel[50][1][20] = -std::numeric_limits<float>::quiet_NaN();
        // Key 70 is struck normally next to them.
        m.noteOn(70, 90);
    });
    for (int block = 0; block < 6; ++block) render(257, kLayouts[block % kLayouts.size()]);
    EXPECT_EQ(reference().active[30], 0);  // silent once its strike has run out
    EXPECT_EQ(reference().active[70], 1);
    EXPECT_TRUE(std::isnan(reference().pos[50][1][10]));
    EXPECT_EQ(reference().active[50], 0);  // all motion NaN: no peak above the threshold
}

TEST_F(KernelVariants, PeakEqualToTheThresholdKeepsTheKeyOn) {
    // One moving point, no coupling, loss 1: |acc| is exactly the velocity, set
    // to the threshold itself, and "greater than" must keep the key on.
    const int key = 40;
    apply([key](KeyModel& m) {
        m.active[key] = 1;
        m.strikeLeft[key] = 0;
        m.tensionA[key] = 0.0f;
        m.tensionB[key] = 0.0f;
        m.highDamping[key] = 0.0f;
        m.loss[key] = 1.0f;
        m.vel[key][0][4] = kSilenceLevel / m.frequency[key];
    });
    render(1, kLayouts[0]);
    EXPECT_EQ(reference().active[key], 1);
    render(1, kLayouts[0]);
    EXPECT_EQ(reference().active[key], 0);
}

TEST(KernelSelection, RenderKeysRunsTheWidestSupportedVariant) {
    const RenderVariant& selected = selectedRenderVariant();
    EXPECT_TRUE(selected.supported());
    for (const RenderVariant& variant : kRenderVariants)
        if (variant.supported()) {
            EXPECT_GE(&selected, &variant);
        }
}

}  // namespace
