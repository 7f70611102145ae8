// The entry point and the record as a host first sees them.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/HostHarness.h"

using namespace testhost;

namespace {

VstIntPtr refusingHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }

VstIntPtr versionOneHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 1 : 0;
}

}  // namespace

TEST(EntryPoint, BothExportedNamesAreTheSameFunction) {
    PluginLibrary library;
    ASSERT_NE(library.entry("VSTPluginMain"), nullptr);
    EXPECT_EQ(library.entry("main"), library.entry("VSTPluginMain"));
}

TEST(EntryPoint, RefusesAHostWithoutVersionOrWithoutCallback) {
    PluginLibrary library;
    EXPECT_EQ(library.entry()(refusingHost), nullptr);
    EXPECT_EQ(library.entry()(nullptr), nullptr);

    AEffect* effect = library.entry()(versionOneHost);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(EntryPoint, VersionQueryComesFirstWithNullRecord) {
    RecordingHost host;
    PluginLibrary library;
    PluginInstance instance(library);
    const auto calls = host.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().opcode, audioMasterVersion);
    EXPECT_EQ(calls.front().effect, nullptr);
}

TEST(EntryPoint, RecordFieldsAfterConstruction) {
    PluginLibrary library;
    PluginInstance instance(library);
    const AEffect* e = instance.effect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 0);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x131);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, ('q' << 24) | ('n' << 16) | ('-' << 8) | '4');
    EXPECT_EQ(e->version, 1);
    char zeros[sizeof e->future] = {};
    EXPECT_EQ(std::memcmp(e->future, zeros, sizeof zeros), 0);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
}

TEST(EntryPoint, AsksForMidiOnConstructionAndEveryResume) {
    RecordingHost host;
    PluginLibrary library;
    PluginInstance instance(library);
    auto wants = host.callsWithOpcode(audioMasterWantMidi);
    ASSERT_EQ(wants.size(), 1u);
    EXPECT_EQ(wants[0].effect, instance.effect());
    EXPECT_EQ(wants[0].value, 1);

    instance.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(host.callsWithOpcode(audioMasterWantMidi).size(), 1u);
    instance.dispatch(effMainsChanged, 0, 1);
    instance.dispatch(effMainsChanged, 0, 7);
    EXPECT_EQ(host.callsWithOpcode(audioMasterWantMidi).size(), 3u);
}

TEST(EntryPoint, InstancesAreIndependent) {
    PluginLibrary library;
    PluginInstance first(library);
    PluginInstance second(library);
    EXPECT_NE(first.effect(), second.effect());
    EXPECT_NE(first.effect()->object, second.effect()->object);

    first.dispatch(effSetProgram, 0, 2);
    first.setParameter(3, 0.9f);
    EXPECT_EQ(second.dispatch(effGetProgram), 0);
    EXPECT_EQ(second.getParameter(3), 0.35f);
    EXPECT_EQ(first.close(), 1);
    EXPECT_EQ(second.getParameter(3), 0.35f);
}
