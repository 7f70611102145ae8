// The 88-key string model: per-key state as parallel fixed arrays, and the
// operations that tune the keys, build their strike waveforms, map parameters
// to damping, apply key events and render samples.
#pragma once

#include <bit>
#include <cstdint>

#include "engine/Parameters.h"

constexpr int kNumKeys = 88;
constexpr int kMaxPoints = 100;

// 1/127 as the nearest float: a 7-bit MIDI value (velocity, controller) to 0..1.
inline constexpr float kMidiValueScale = std::bit_cast<float>(0x3c010204u);

// 1e-5: a key falls silent once its largest velocity change drops below this
// divided by its frequency.
inline constexpr float kSilenceLevel = std::bit_cast<float>(0x3727c5acu);

class KeyModel;

// One worker's share of a render pass: keys firstKey, firstKey + keyStride, ...
struct RenderJob {
    std::int32_t firstKey;
    std::int32_t keyStride;
    KeyModel* plugin;
    float* outLeft;
    float* outRight;
    std::int32_t frames;
};

class KeyModel {
public:
    KeyModel() = default;
    ~KeyModel() { freeStrikeTables(); }
    KeyModel(const KeyModel&) = delete;
    KeyModel& operator=(const KeyModel&) = delete;

    // String A's points then string B's for every key.
    float pos[kNumKeys][2][kMaxPoints];
    float vel[kNumKeys][2][kMaxPoints];
    // Flags and counters start cleared, so even a model never prepared renders nothing.
    std::uint8_t active[kNumKeys]{};
    float* strikeRaw[kNumKeys]{};
    float* strikeSmooth[kNumKeys]{};
    std::int16_t strikeLength[kNumKeys]{};
    std::int16_t strikeLeft[kNumKeys]{};
    float strikeGainRaw[kNumKeys];
    float strikeGainSmooth[kNumKeys];
    float frequency[kNumKeys];
    float tensionA[kNumKeys];
    float tensionB[kNumKeys];
    float highDamping[kNumKeys];
    float loss[kNumKeys];
    float releaseLoss[kNumKeys];
    float heldLoss[kNumKeys];
    std::int32_t segments[kNumKeys];
    std::int32_t strikeTap[kNumKeys];
    std::int32_t tapLeft[kNumKeys];
    std::int32_t tapRight[kNumKeys];
    std::int32_t held[kNumKeys]{};
    std::int32_t pedalHeld = 0;

    // The model at rest as the instrument starts: keys tuned, pedal up, strike
    // tables built, damping not yet set. False when a waveform could not be
    // allocated.
    bool prepare() {
        tuneKeys();
        pedalHeld = 0;
        return buildStrikeTables();
    }

    // The points the kernel moves each frame while the key sounds, both
    // strings' inner ones: what rendering the key costs.
    int soundingPoints(int key) const { return 2 * (segments[key] - 1); }

    void tuneKeys();
    // False when a waveform could not be allocated; the tables built so far stay owned.
    bool buildStrikeTables();
    void freeStrikeTables();

    // dirty is the taken paramDirty mask; values are the current program's
    // Metal/Plastic, Sustain and Damper.
    void updateCoefficients(std::uint32_t dirty, float metalPlastic, float sustain, float damper);

    void noteOn(int key, int velocity);
    void allNotesOff();
    // One key's share of the pedal and release actions, for a thread that
    // owns the key and follows the pedal itself; pedalHeld is left alone.
    void noteOff(int key, bool pedalDown);
    void pedalReleased(int key);

    // For tests, benchmarks and fuzzing:
    // prepare(), then every coefficient from these values.
    bool prepare(float metalPlastic, float sustain, float damper) {
        if (!prepare()) return false;
        updateCoefficients(kAllDirty, metalPlastic, sustain, damper);
        return true;
    }
    // The release and pedal actions on the whole model at once, the pedal kept
    // in pedalHeld: the reference for the plug-in's key-by-key actions in its workers.
    void noteOff(int key);
    void sustainDown();
    void sustainUp();
};

void renderKeys(RenderJob* job);
