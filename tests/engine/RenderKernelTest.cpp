#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/EngineFixture.h"

namespace {

class RenderKernel : public ::testing::Test {
protected:
    void SetUp() override {
        model = makeBuiltModel();
        ASSERT_NE(model, nullptr);
    }
    // All keys in one job; returns the last frame's outputs.
    std::pair<float, float> render(KeyModel& m, int frames) {
        left.assign(frames, -1.0f);
        right.assign(frames, -1.0f);
        renderShare(m, 0, 1, frames, left.data(), right.data());
        return {left.back(), right.back()};
    }
    std::unique_ptr<KeyModel> model;
    std::vector<float> left;
    std::vector<float> right;
};

TEST_F(RenderKernel, FrameCountsAndKeySharesBoundWhatIsWritten) {
    model->noteOn(40, 100);
    float l[4] = {7.0f, 7.0f, 7.0f, 7.0f};
    float r[4] = {7.0f, 7.0f, 7.0f, 7.0f};
    renderShare(*model, 0, 1, 0, l, r);
    renderShare(*model, 0, 1, -3, l, r);
    EXPECT_EQ(l[0], 7.0f);
    EXPECT_EQ(r[0], 7.0f);
    EXPECT_EQ(model->strikeLeft[40], model->strikeLength[40]);

    renderShare(*model, 88, 1, 3, l, r);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(l[s], 0.0f);
        EXPECT_EQ(r[s], 0.0f);
    }
    EXPECT_EQ(l[3], 7.0f);
    // Key 40 is not in the share of keys 1, 3, 5, ...
    renderShare(*model, 1, 2, 2, l, r);
    EXPECT_EQ(l[0], 0.0f);
    EXPECT_EQ(model->strikeLeft[40], model->strikeLength[40]);
    // Only the low 8 bits of the first key count: 256 + 40 renders key 40.
    renderShare(*model, 256 + 40, 88, 1, l, r);
    EXPECT_EQ(model->strikeLeft[40], model->strikeLength[40] - 1);
}

TEST_F(RenderKernel, FirstStrikeSampleReachesAPickUpOnlyWhereItIsTheStrikePoint) {
    int movedRight = 0;
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        model->noteOn(k, 100);
        float l = 1.0f;
        float r = 1.0f;
        renderShare(*model, k, kNumKeys, 1, &l, &r);  // this key alone
        EXPECT_EQ(model->strikeLeft[k], model->strikeLength[k] - 1);
        ASSERT_NE(model->strikeTap[k], model->tapLeft[k]);
        EXPECT_EQ(l, 0.0f);
        if (model->strikeTap[k] == model->tapRight[k]) {
            EXPECT_NE(r, 0.0f);
            ++movedRight;
        } else {
            EXPECT_EQ(r, 0.0f);
        }
        model->allNotesOff();
    }
    // The five-segment keys 85..87 share their strike point with the right tap.
    EXPECT_EQ(movedRight, 3);
    EXPECT_EQ(model->strikeTap[87], model->tapRight[87]);
}

TEST_F(RenderKernel, PickUpsDifferOnceTheWaveArrives) {
    model->noteOn(48, 100);
    render(*model, 200);
    int differing = 0;
    for (std::size_t s = 0; s < left.size(); ++s) differing += left[s] != right[s];
    EXPECT_GT(differing, 100);
    EXPECT_NE(left.back(), 0.0f);
}

TEST_F(RenderKernel, InactiveKeysKeepTheirStateBitForBit) {
    model->noteOn(30, 100);
    model->noteOn(60, 100);
    render(*model, 150);
    model->allNotesOff();
    model->noteOn(60, 100);
    auto frozen = std::make_unique<KeyModel>();
    std::memcpy(frozen->pos, model->pos, sizeof model->pos);
    std::memcpy(frozen->vel, model->vel, sizeof model->vel);
    render(*model, 500);
    EXPECT_TRUE(sameStringState(*model, *frozen, 30));
    EXPECT_FALSE(sameStringState(*model, *frozen, 60));
    EXPECT_EQ(model->strikeLeft[30], model->strikeLength[30] - 150);
}

TEST_F(RenderKernel, SilenceTestWaitsForTheEndOfTheStrike) {
    // A strike with zero gains leaves the strings at rest, so only the running
    // strike keeps the key on; it goes off in the sample of the last strike value.
    model->noteOn(48, 100);
    model->strikeGainRaw[48] = 0.0f;
    model->strikeGainSmooth[48] = 0.0f;
    float l;
    float r;
    for (int s = 0; s < 299; ++s) {
        renderShare(*model, 0, 1, 1, &l, &r);
        ASSERT_EQ(model->active[48], 1) << "sample " << s;
    }
    renderShare(*model, 0, 1, 1, &l, &r);
    EXPECT_EQ(model->strikeLeft[48], 0);
    EXPECT_EQ(model->active[48], 0);
    EXPECT_EQ(model->held[48], 1);
}

TEST_F(RenderKernel, HeldKeyFallsSilentAndStaysFrozen) {
    model->noteOn(87, 127);
    model->loss[87] = 0.05f;  // heavy damping so the test is short
    int frames = 0;
    float l;
    float r;
    while (model->active[87] != 0 && frames < 20000) {
        renderShare(*model, 0, 1, 1, &l, &r);
        ++frames;
    }
    EXPECT_EQ(model->active[87], 0);
    EXPECT_GT(frames, model->strikeLength[87]);
    EXPECT_LT(frames, 20000);
    EXPECT_EQ(model->held[87], 1);
    // The key that just went off still contributes to its last sample.
    EXPECT_EQ(l, model->pos[87][0][3] + model->pos[87][1][3]);

    std::vector<float> pos(model->pos[87][0], model->pos[87][0] + kMaxPoints);
    render(*model, 10);
    EXPECT_EQ(left.back(), 0.0f);
    EXPECT_TRUE(std::equal(pos.begin(), pos.end(), model->pos[87][0]));
}

TEST_F(RenderKernel, NoteOffMidStrikeRingsOnWithoutTheStrike) {
    model->noteOn(48, 100);
    render(*model, 10);
    model->noteOff(48);
    const auto [l, r] = render(*model, 50);
    EXPECT_EQ(model->strikeLeft[48], 0);
    EXPECT_EQ(model->active[48], 1);
    EXPECT_NE(l, 0.0f);

    // The strike force stops in the very next sample, not at the next note-on:
    // against a twin whose strike runs on, the strings part at once.
    auto cut = makeBuiltModel();
    auto running = makeBuiltModel();
    cut->noteOn(48, 100);
    running->noteOn(48, 100);
    render(*cut, 10);
    render(*running, 10);
    cut->noteOff(48);
    running->loss[48] = running->releaseLoss[48];
    render(*cut, 1);
    render(*running, 1);
    EXPECT_FALSE(sameStringState(*cut, *running, 48));
    EXPECT_EQ(running->strikeLeft[48], 289);
}

TEST_F(RenderKernel, AllNotesOffSilencesTheNextSampleAndNoteOnResumesFromTheFrozenState) {
    auto paused = makeBuiltModel();
    auto direct = makeBuiltModel();
    for (KeyModel* m : {paused.get(), direct.get()}) {
        m->noteOn(20, 90);
        m->noteOn(55, 110);
        render(*m, 120);
        m->allNotesOff();
    }
    const auto [l, r] = render(*paused, 1);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
    render(*paused, 300);
    for (KeyModel* m : {paused.get(), direct.get()}) {
        m->noteOn(55, 60);
        render(*m, 80);
    }
    EXPECT_TRUE(sameStringState(*paused, *direct, 55));
    EXPECT_TRUE(sameStringState(*paused, *direct, 20));  // stayed frozen in both
    EXPECT_EQ(paused->active[20], 0);
}

TEST_F(RenderKernel, SplittingTheKeysOverJobsGivesTheSameStrings) {
    const int keys[] = {0, 13, 27, 48, 49, 62, 80, 87};
    auto single = makeBuiltModel();
    auto byTwo = makeBuiltModel();
    auto byThree = makeBuiltModel();
    const int frames = 700;
    std::vector<float> l(frames);
    std::vector<float> r(frames);
    for (KeyModel* m : {single.get(), byTwo.get(), byThree.get()})
        for (int k : keys) m->noteOn(k, 40 + k);
    renderShare(*single, 0, 1, frames, l.data(), r.data());
    for (int first = 0; first < 2; ++first) renderShare(*byTwo, first, 2, frames, l.data(), r.data());
    for (int first = 0; first < 3; ++first) renderShare(*byThree, first, 3, frames, l.data(), r.data());
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(sameStringState(*single, *byTwo, k));
        EXPECT_TRUE(sameStringState(*single, *byThree, k));
        EXPECT_EQ(single->active[k], byTwo->active[k]);
        EXPECT_EQ(single->active[k], byThree->active[k]);
        EXPECT_EQ(single->strikeLeft[k], byThree->strikeLeft[k]);
    }
    EXPECT_NE(single->pos[87][0][1], 0.0f);
}

TEST_F(RenderKernel, ZeroStrideRendersTheFirstKeyOnce) {
    model->noteOn(5, 100);
    model->noteOn(6, 100);
    float l;
    float r;
    renderShare(*model, 5, 256, 1, &l, &r);
    EXPECT_EQ(model->strikeLeft[5], model->strikeLength[5] - 1);
    EXPECT_EQ(model->strikeLeft[6], model->strikeLength[6]);
}

}  // namespace
