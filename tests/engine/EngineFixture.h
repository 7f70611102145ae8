// A key model as the plug-in builds it, on the heap (it is large).
#pragma once

#include <cstring>
#include <memory>

#include "engine/KeyModel.h"
#include "plugin/ProgramRecord.h"

// A value of the first factory program, the one the plug-in starts with.
inline float program0(ParameterIndex index) { return kFactoryPrograms[0].parameters[index]; }

inline std::unique_ptr<KeyModel> makeBuiltModel() {
    auto model = std::make_unique<KeyModel>();
    if (!model->prepare(program0(kMetalPlastic), program0(kSustain), program0(kDamper))) return nullptr;
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
