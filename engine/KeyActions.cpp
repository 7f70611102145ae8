#include <bit>

#include "engine/KeyModel.h"

namespace {

const float kRawThreshold = std::bit_cast<float>(0x3ecccccdu);  // 0.4
const float kRawSlope = std::bit_cast<float>(0x4019999au);      // 2.4

}  // namespace

// Restarts the strike on whatever motion the strings have; soft strikes use the
// smoothed waveform, hard ones shift towards the raw one.
void KeyModel::noteOn(int key, int velocity) {
    active[key] = 1;
    strikeLeft[key] = strikeLength[key];
    const float v = static_cast<float>(velocity) * kMidiValueScale;
    float g = v - kRawThreshold;
    if (g < 0.0f)
        g = 0.0f;
    else
        g = g * kRawSlope;
    loss[key] = heldLoss[key];
    strikeGainRaw[key] = g * v;
    strikeGainSmooth[key] = v - strikeGainRaw[key];
    held[key] = 1;
}

// The key rings on; the render kernel switches it off once it is quiet.
void KeyModel::noteOff(int key) { noteOff(key, pedalHeld != 0); }

void KeyModel::noteOff(int key, bool pedalDown) {
    if (!pedalDown) loss[key] = releaseLoss[key];
    strikeLeft[key] = 0;
    strikeGainRaw[key] = 0.0f;
    strikeGainSmooth[key] = 0.0f;
    held[key] = 0;
}

void KeyModel::sustainDown() { pedalHeld = 1; }

void KeyModel::sustainUp() {
    pedalHeld = 0;
    for (int k = 0; k < kNumKeys; ++k) pedalReleased(k);
}

void KeyModel::pedalReleased(int key) {
    if (held[key] == 0 && active[key] != 0) loss[key] = releaseLoss[key];
}

// Silences at once and freezes the strings; the next note-on resumes from there.
void KeyModel::allNotesOff() {
    for (int k = 0; k < kNumKeys; ++k) {
        held[k] = 0;
        active[k] = 0;
    }
}
