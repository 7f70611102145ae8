// The base classes unit by unit: host service wrappers, their fallbacks, the
// editor opcodes and the record operations.
#include <gtest/gtest.h>

#include "tests/support/HostHarness.h"
#include "vst/AEffEditor.h"
#include "vst/AudioEffectX.h"

using testhost::HostCall;
using testhost::RecordingHost;

namespace {

class BareEffect : public AudioEffectX {
public:
    explicit BareEffect(audioMasterCallback master, bool* destroyed = nullptr)
        : AudioEffectX(master, 2, 3), destroyed(destroyed) {}
    ~BareEffect() override {
        if (destroyed) *destroyed = true;
    }
    void setParameter(VstInt32 index, float value) override {
        lastIndex = index;
        lastValue = value;
    }
    void close() override { closed = true; }

    VstInt32 lastIndex = -1;
    float lastValue = 0;
    bool closed = false;
    bool* destroyed;
};

class KeyRecordingEditor : public AEffEditor {
public:
    using AEffEditor::AEffEditor;
    bool onKeyDown(VstKeyCode& key) override {
        down = key;
        return true;
    }
    bool onKeyUp(VstKeyCode& key) override {
        up = key;
        return false;
    }
    VstKeyCode down{}, up{};
};

VstIntPtr sampleRateHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterGetSampleRate) return 48000;
    if (opcode == audioMasterGetBlockSize) return 256;
    return 0;
}

}  // namespace

TEST(HostServices, FallbacksWithoutCallback) {
    BareEffect effect(nullptr);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_EQ(effect.getCurrentUniqueId(), 0);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(1));
    EXPECT_FALSE(effect.canHostDo(const_cast<char*>("sendVstEvents")));
    EXPECT_EQ(effect.getTimeInfo(0), nullptr);
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    EXPECT_EQ(effect.updateSampleRate(), 44100.0f);
    EXPECT_FALSE(effect.beginEdit(1));
    EXPECT_FALSE(effect.sizeWindow(10, 10));
    EXPECT_EQ(effect.getDirectory(), nullptr);
    EXPECT_EQ(effect.hostVendorSpecific(1, 2, nullptr, 3.0f), 0);
    effect.wantEvents(1);
    effect.masterIdle();
    effect.setParameterAutomated(2, 0.5f);
    EXPECT_EQ(effect.lastIndex, 2);
    EXPECT_EQ(effect.lastValue, 0.5f);
}

TEST(HostServices, VersionZeroReadsAsOne) {
    RecordingHost host;
    host.versionAnswer = 0;
    BareEffect effect(RecordingHost::callback);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    host.versionAnswer = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);
}

TEST(HostServices, SampleRateAndBlockSizeFromHost) {
    BareEffect effect(sampleRateHost);
    EXPECT_EQ(effect.updateSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.updateBlockSize(), 256);
    EXPECT_EQ(effect.getBlockSize(), 256);

    RecordingHost host;  // answers 0: stored values stay
    BareEffect silent(RecordingHost::callback);
    EXPECT_EQ(silent.updateSampleRate(), 44100.0f);
    EXPECT_EQ(silent.updateBlockSize(), 1024);
}

TEST(HostServices, OperandPlacement) {
    RecordingHost host;
    BareEffect effect(RecordingHost::callback);
    char text[8] = "x";
    int object = 0;
    auto* any = reinterpret_cast<VstOfflineTask*>(&object);
    struct Expected {
        VstInt32 opcode, index;
        VstIntPtr value;
        void* ptr;
        float opt;
    };
    std::vector<Expected> expected;
    auto expect = [&](VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
        expected.push_back({opcode, index, value, ptr, opt});
    };

    effect.beginEdit(2), expect(audioMasterBeginEdit, 2, 0, nullptr, 0);
    effect.endEdit(3), expect(audioMasterEndEdit, 3, 0, nullptr, 0);
    effect.setParameterAutomated(1, 0.25f), expect(audioMasterAutomate, 1, 0, nullptr, 0.25f);
    effect.wantEvents(1), expect(audioMasterWantMidi, 0, 1, nullptr, 0);
    effect.isInputConnected(5), expect(audioMasterPinConnected, 5, 0, nullptr, 0);
    effect.isOutputConnected(6), expect(audioMasterPinConnected, 6, 1, nullptr, 0);
    effect.getTimeInfo(0x200), expect(audioMasterGetTime, 0, 0x200, nullptr, 0);
    effect.tempoAt(77), expect(audioMasterTempoAt, 0, 77, nullptr, 0);
    effect.sizeWindow(494, 238), expect(audioMasterSizeWindow, 494, 238, nullptr, 0);
    effect.canHostDo(text), expect(audioMasterCanDo, 0, 0, text, 0);
    effect.getHostVendorString(text), expect(audioMasterGetVendorString, 0, 0, text, 0);
    effect.hostVendorSpecific(4, 5, text, 6.5f), expect(audioMasterVendorSpecific, 4, 5, text, 6.5f);
    effect.offlineStart(nullptr, 7, 8), expect(audioMasterOfflineStart, 8, 7, nullptr, 0);
    effect.offlineRead(any, 9, true), expect(audioMasterOfflineRead, 1, 9, any, 0);
    effect.offlineWrite(any, 10), expect(audioMasterOfflineWrite, 0, 10, any, 0);
    effect.setOutputSamplerate(22050.0f), expect(audioMasterSetOutputSampleRate, 0, 0, nullptr, 22050.0f);
    effect.getPreviousPlug(3), expect(audioMasterGetPreviousPlug, 0, 0, nullptr, 0);
    effect.getNextPlug(3), expect(audioMasterGetNextPlug, 0, 0, nullptr, 0);
    effect.masterIdle(), expect(audioMasterIdle, 0, 0, nullptr, 0);

    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].effect, effect.getAeffect());
        EXPECT_EQ(calls[i].opcode, expected[i].opcode);
        EXPECT_EQ(calls[i].index, expected[i].index);
        EXPECT_EQ(calls[i].value, expected[i].value);
        EXPECT_EQ(calls[i].ptr, expected[i].ptr);
        EXPECT_EQ(calls[i].opt, expected[i].opt);
    }
}

TEST(HostServices, NullSelectorsNeverReachTheHost) {
    RecordingHost host;
    BareEffect effect(RecordingHost::callback);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(host.calls().empty());
}

TEST(BaseRecord, FlagOperationsTouchOnlyTheirBit) {
    BareEffect effect(nullptr);
    AEffect* record = effect.getAeffect();
    EXPECT_EQ(record->flags, effFlagsCanReplacing);
    EXPECT_EQ(record->uniqueID, 0x4E6F4566);
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->numPrograms, 2);
    EXPECT_EQ(record->numParams, 3);
    effect.isSynth(true);
    effect.programsAreChunks(true);
    EXPECT_EQ(effect.getPlugCategory(), kPlugCategSynth);
    KeyRecordingEditor* editor = new KeyRecordingEditor(&effect);
    effect.setEditor(editor);
    EXPECT_EQ(record->flags, 0x131);
    effect.setEditor(nullptr);
    EXPECT_EQ(record->flags, 0x130);
    delete editor;
    effect.isSynth(false);
    EXPECT_EQ(effect.getPlugCategory(), kPlugCategUnknown);
    EXPECT_EQ(record->flags, 0x30);
}

TEST(BaseDispatcher, EditorOpcodesWithoutEditorAnswerZero) {
    BareEffect effect(nullptr);
    AEffect* record = effect.getAeffect();
    ERect sentinel{};
    ERect* rect = &sentinel;
    EXPECT_EQ(record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0), 0);
    EXPECT_EQ(rect, &sentinel);
    EXPECT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &sentinel, 0), 0);
    EXPECT_EQ(record->dispatcher(record, effEditKeyDown, 65, 0, nullptr, 3.7f), 0);
    EXPECT_EQ(record->dispatcher(record, effSetEditKnobMode, 0, 2, nullptr, 0), 0);
    EXPECT_EQ(record->dispatcher(record, effEditClose, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0), 0);
}

TEST(BaseDispatcher, KeyCodesAreBuiltFromTheArguments) {
    BareEffect effect(nullptr);
    auto* editor = new KeyRecordingEditor(&effect);
    effect.setEditor(editor);
    AEffect* record = effect.getAeffect();
    EXPECT_EQ(record->dispatcher(record, effEditKeyDown, 65, 0, nullptr, 3.7f), 1);
    EXPECT_EQ(editor->down.character, 65);
    EXPECT_EQ(editor->down.virt, 0);
    EXPECT_EQ(editor->down.modifier, 3);
    EXPECT_EQ(record->dispatcher(record, effEditKeyUp, 7, 0x1FF, nullptr, -1.9f), 0);
    EXPECT_EQ(editor->up.character, 7);
    EXPECT_EQ(editor->up.virt, 0xFF);
    EXPECT_EQ(editor->up.modifier, 0xFF);  // -1 cut to its low 8 bits
}

TEST(BaseDispatcher, CloseRunsCloseThenDestroys) {
    bool destroyed = false;
    auto* effect = new BareEffect(nullptr, &destroyed);
    AEffect* record = effect->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_TRUE(destroyed);
}

TEST(BaseDispatcher, TrampolinesReachTheObject) {
    BareEffect effect(nullptr);
    AEffect* record = effect.getAeffect();
    record->setParameter(record, 2, 0.75f);
    EXPECT_EQ(effect.lastIndex, 2);
    EXPECT_EQ(effect.lastValue, 0.75f);
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    EXPECT_EQ(record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, 96000.0f), 0);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(record->dispatcher(record, effSetBlockSize, 0, 64, nullptr, 0), 0);
    EXPECT_EQ(effect.getBlockSize(), 64);
}
