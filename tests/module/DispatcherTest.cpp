// Opcode results and argument conventions as a host sees them.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "tests/support/HostHarness.h"

using namespace testhost;

class Dispatcher : public ::testing::Test {
protected:
    PluginLibrary library;
    PluginInstance plugin{library};
};

TEST_F(Dispatcher, FixedAnswers) {
    EXPECT_EQ(plugin.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(plugin.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin.dispatch(effGetTailSize), 0);
    EXPECT_EQ(plugin.dispatch(effGetPlugCategory), 2);
    EXPECT_EQ(plugin.dispatch(effGetVendorVersion), 100);
    EXPECT_EQ(plugin.dispatch(effCanBeAutomated, 0), 1);
    EXPECT_EQ(plugin.dispatch(effCanBeAutomated, 57), 1);
    EXPECT_EQ(plugin.dispatch(effSetTotalSampleToProcess, 0, 4321), 4321);
    EXPECT_EQ(plugin.dispatch(effOpen), 0);
    EXPECT_EQ(plugin.dispatch(80), 0);
    EXPECT_EQ(plugin.dispatch(100000), 0);
    EXPECT_EQ(plugin.dispatch(-1), 0);
}

TEST_F(Dispatcher, IdentityStrings) {
    EXPECT_EQ(plugin.text(effGetEffectName), "Quenor-m4");
    EXPECT_EQ(plugin.text(effGetProductString), "Quenor-m4");
    EXPECT_EQ(plugin.text(effGetVendorString), "Tavrex");
    char name[64];
    EXPECT_EQ(plugin.dispatch(effGetEffectName, 0, 0, name), 1);
}

TEST_F(Dispatcher, ParameterTextsAreEmpty) {
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        char text[32] = "untouched";
        EXPECT_EQ(plugin.dispatch(opcode, 2, 0, text), 0);
        EXPECT_STREQ(text, "");
    }
}

TEST_F(Dispatcher, CanDoMatchesWholeTextsOnly) {
    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"})
        EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(yes)), 1) << yes;
    for (const char* no : {"receiveVstMidiEventX", "receiveVstMidi", "sendVstEvents", "", "bypass"})
        EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(no)), 0) << no;
}

TEST_F(Dispatcher, SetProgramGuard) {
    plugin.dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    plugin.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
    plugin.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
    if constexpr (sizeof(VstIntPtr) > 4) {
        // Values whose low 32 bits name a valid program must still select nothing.
        plugin.dispatch(effSetProgram, 0, (VstIntPtr{1} << 32) | 1);
        EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
        plugin.dispatch(effSetProgram, 0, -(VstIntPtr{1} << 32) + 2);
        EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
        plugin.dispatch(effSetProgram, 0, VstIntPtr{INT32_MIN} - 1);
        EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
    }
}

TEST_F(Dispatcher, MainsChangedSuspendsOnlyOnZero) {
    EXPECT_EQ(plugin.dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(plugin.dispatch(effMainsChanged, 0, 1), 0);
}

TEST_F(Dispatcher, SpeakerArrangementQueryClearsBothPlaces) {
    int dummy;
    void* input = &dummy;
    void* output = &dummy;
    EXPECT_EQ(plugin.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(Dispatcher, NullPointersAreRefused) {
    for (VstInt32 opcode : std::initializer_list<VstInt32>{
             effGetProgramName, effSetProgramName, effGetParamName, effGetParamLabel, effGetParamDisplay,
             effGetChunk, effSetChunk, effCanDo, effGetEffectName, effGetVendorString, effGetProductString,
             effGetProgramNameIndexed, effString2Parameter, effGetSpeakerArrangement, effShellGetNextPlugin}) {
        EXPECT_EQ(plugin.dispatch(opcode, 0, 160, nullptr), 0) << opcode;
    }
    EXPECT_EQ(plugin.dispatch(effSetChunk, 1, 40, nullptr), 0);
    EXPECT_EQ(plugin.dispatch(effGetChunk, 1, 0, nullptr), 0);
    EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin.text(effGetProgramName), "bright");
}

TEST_F(Dispatcher, ParametersOutsideTheFourAreIgnored) {
    plugin.setParameter(4, 0.9f);
    plugin.setParameter(-1, 0.9f);
    plugin.setParameter(1000000, 0.9f);
    EXPECT_EQ(plugin.getParameter(4), 0.0f);
    EXPECT_EQ(plugin.getParameter(-1), 0.0f);
    const float expected[] = {0.5f, 0.2f, 0.7f, 0.35f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(plugin.getParameter(i), expected[i]);
    void* chunk = nullptr;
    ASSERT_EQ(plugin.dispatch(effGetChunk, 0, 0, &chunk), 160);
    const auto* values = static_cast<const float*>(chunk);
    EXPECT_EQ(values[10], 0.5f);  // program 1 untouched
}
