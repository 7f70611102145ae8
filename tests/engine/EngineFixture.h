// A key model as the plug-in builds it, on the heap (it is large).
#pragma once

#include <bit>
#include <cstring>
#include <memory>

#include "engine/KeyModel.h"

constexpr std::uint32_t kAllDirty = 0xFFFFFFFFu;

// The factory values of program 0.
constexpr float kProgram0MetalPlastic = 0.2f;
constexpr float kProgram0Sustain = 0.7f;
constexpr float kProgram0Damper = 0.35f;

inline std::unique_ptr<KeyModel> makeBuiltModel() {
    auto model = std::make_unique<KeyModel>();
    model->tuneKeys();
    model->pedalHeld = 0;
    if (!model->buildStrikeTables()) return nullptr;
    model->updateCoefficients(kAllDirty, kProgram0MetalPlastic, kProgram0Sustain, kProgram0Damper);
    return model;
}

inline bool sameStringState(const KeyModel& a, const KeyModel& b, int key) {
    return std::memcmp(a.pos[key], b.pos[key], sizeof a.pos[key]) == 0 &&
           std::memcmp(a.vel[key], b.vel[key], sizeof a.vel[key]) == 0;
}

// Renders frames samples of the keys first, first + stride, ... into scratch buffers.
inline void renderShare(KeyModel& model, int firstKey, int keyStride, int frames, float* left, float* right) {
    RenderJob job{firstKey, keyStride, &model, left, right, frames};
    renderKeys(&job);
}
