// A saved project reloads to the same sound: what MIDI Volume set survives
// the host's own restoring of the ports, and a damaged state changes nothing.
#include <gtest/gtest.h>
#include <lv2/state/state.h>

#include <cstring>
#include <vector>

#include "plugin/MidiVocabulary.h"
#include "plugin/ProgramRecord.h"
#include "tests/lv2/LilvHost.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace lv2test;
using midi::kControlChange;
using midi::kNoteOn;

struct Stereo {
    std::vector<float> left, right;
};

Stereo playChord(Instance& instance) {
    Stereo out;
    instance.midi.add(0, kNoteOn, 60, 100);
    instance.midi.add(0, kNoteOn, 67, 90);
    instance.run(2048, out.left, out.right);
    return out;
}

const void* getPortValue(const char* symbol, void* data, std::uint32_t* size, std::uint32_t* type) {
    auto* instance = static_cast<Instance*>(data);
    *size = sizeof(float);
    *type = urid(LV2_ATOM__Float);
    for (int i = 0; i < kNumParameters; ++i)
        if (std::strcmp(symbol, lv2port::kControlSymbols[i]) == 0) return &instance->controls[i];
    return nullptr;
}

void setPortValue(const char* symbol, void* data, const void* value, std::uint32_t size, std::uint32_t) {
    auto* instance = static_cast<Instance*>(data);
    for (int i = 0; i < kNumParameters; ++i)
        if (size == sizeof(float) && std::strcmp(symbol, lv2port::kControlSymbols[i]) == 0)
            std::memcpy(&instance->controls[i], value, sizeof(float));
}

TEST(Lv2State, AProjectReloadsWithMidiVolumeAndPortValuesAsTheyWere) {
    World world;
    testhost::ScratchFolder folder("lv2-state");
    const std::string path = folder.path().string();
    Instance saved(world, 48000.0);
    saved.controls[kMetalPlastic] = 0.8f;
    saved.midi.add(0, kControlChange, midi::kVolume, 20);
    Stereo ignored;
    saved.run(64, ignored.left, ignored.right);

    LilvState* state = lilv_state_new_from_instance(world.plugin(), saved.get(), uridMap(), nullptr, nullptr,
                                                    nullptr, path.c_str(), getPortValue, &saved,
                                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(lilv_state_save(world.world(), uridMap(), uridUnmap(), state, nullptr, path.c_str(),
                              "state.ttl"),
              0);
    lilv_state_free(state);

    // As a host reloading the project: a new instance, the saved file, the
    // ports and the state restored (between runs, at the same point of the
    // stream, so that the conversion is in the same phase).
    LilvState* loaded =
        lilv_state_new_from_file(world.world(), uridMap(), nullptr, (path + "/state.ttl").c_str());
    ASSERT_NE(loaded, nullptr);
    Instance restored(world, 48000.0);
    restored.run(64, ignored.left, ignored.right);
    lilv_state_restore(loaded, restored.get(), setPortValue, &restored, 0, nullptr);
    lilv_state_free(loaded);
    EXPECT_EQ(restored.controls[kMetalPlastic], 0.8f);

    const Stereo expected = playChord(saved);
    EXPECT_EQ(playChord(restored).left, expected.left);

    Instance fresh(world, 48000.0);
    fresh.controls[kMetalPlastic] = 0.8f;
    fresh.run(64, ignored.left, ignored.right);
    EXPECT_NE(playChord(fresh).left, expected.left) << "MIDI Volume was not part of what was restored";
}

struct Blob {
    std::vector<std::uint8_t> bytes;
    std::uint32_t type;
};

const void* retrieveBlob(LV2_State_Handle handle, std::uint32_t, std::size_t* size, std::uint32_t* type,
                         std::uint32_t* flags) {
    const auto* blob = static_cast<const Blob*>(handle);
    *size = blob->bytes.size();
    *type = blob->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return blob->bytes.data();
}

TEST(Lv2State, AStateOfTheWrongSizeVersionTypeOrValuesIsRefusedAndChangesNothing) {
    World world;
    Instance instance(world, 44100.0), untouched(world, 44100.0);
    const auto* interface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance.get(), LV2_STATE__interface));
    ASSERT_NE(interface, nullptr);

    // Version 1, the values playing, the port values they came from; floats
    // little-endian, as on every machine this runs on. Volume 0.25 plays while
    // its port still reads the default.
    std::vector<std::uint8_t> good(33, 0);
    good[0] = 1;
    float values[2 * kNumParameters];
    for (int i = 0; i < kNumParameters; ++i)
        values[i] = values[kNumParameters + i] = kFactoryPrograms[0].parameters[i];
    values[kVolume] = 0.25f;
    std::memcpy(&good[1], values, sizeof values);
    const std::uint32_t chunk = urid(LV2_ATOM__Chunk);
    std::vector<std::uint8_t> badVersion = good, badValue = good, shorter(good.begin(), good.end() - 1);
    badVersion[0] = 2;
    const float huge = 5.0f;
    std::memcpy(&badValue[5], &huge, sizeof huge);
    for (const Blob& blob : {Blob{shorter, chunk}, Blob{badVersion, chunk}, Blob{badValue, chunk},
                             Blob{good, urid(LV2_ATOM__String)}}) {
        EXPECT_NE(interface->restore(lilv_instance_get_handle(instance.get()), retrieveBlob,
                                     const_cast<Blob*>(&blob), 0, nullptr),
                  LV2_STATE_SUCCESS);
    }
    EXPECT_EQ(playChord(instance).left, playChord(untouched).left);

    Blob accepted{good, chunk};
    EXPECT_EQ(interface->restore(lilv_instance_get_handle(instance.get()), retrieveBlob, &accepted, 0, nullptr),
              LV2_STATE_SUCCESS);
    EXPECT_NE(playChord(instance).left, playChord(untouched).left);
}

}  // namespace
