// The module as a host scans it, and the instrument's parameters and state
// as a host sees them: names, defaults, text both ways, the Program step,
// values the instrument changes by itself, flushes, and saved states that
// restore the same sound whatever the stream.
#include <gtest/gtest.h>

#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>

#include <cmath>
#include <cstring>
#include <string>

#include "plugin/MidiVocabulary.h"
#include "plugin/ParameterNames.h"
#include "plugin/ProgramRecord.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/support/ProcessProbe.h"

namespace {

using namespace claptest;

constexpr clap_id kProgram = kNumParameters;

TEST(ClapModule, OneStereoInstrumentWithNotesInSurvivesReloading) {
    for (int load = 0; load < 2; ++load) {
        ASSERT_FALSE(moduleIsLoaded(QUENOR_CLAP_PATH)) << "unloaded before load " << load;
        const Module module;
        ASSERT_EQ(module.factory->get_plugin_count(module.factory), 1u);
        const clap_plugin_descriptor_t* descriptor = module.factory->get_plugin_descriptor(module.factory, 0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->name, "Quenor-m4");
        EXPECT_STREQ(descriptor->vendor, "Tavrex");
        std::vector<std::string> features;
        for (const char* const* feature = descriptor->features; *feature; ++feature) features.push_back(*feature);
        EXPECT_EQ(features, (std::vector<std::string>{"instrument", "piano", "stereo"}));
        EXPECT_EQ(module.factory->get_plugin_descriptor(module.factory, 1), nullptr);
        Host host;
        EXPECT_EQ(module.factory->create_plugin(module.factory, host.get(), "com.tavrex.other"), nullptr);

        Plugin plugin(module, host);
        const auto* audio = static_cast<const clap_plugin_audio_ports_t*>(
            plugin.plugin->get_extension(plugin.plugin, CLAP_EXT_AUDIO_PORTS));
        const auto* notes = static_cast<const clap_plugin_note_ports_t*>(
            plugin.plugin->get_extension(plugin.plugin, CLAP_EXT_NOTE_PORTS));
        ASSERT_TRUE(audio && notes);
        EXPECT_EQ(audio->count(plugin.plugin, true), 0u);
        ASSERT_EQ(audio->count(plugin.plugin, false), 1u);
        clap_audio_port_info_t port{};
        ASSERT_TRUE(audio->get(plugin.plugin, 0, false, &port));
        EXPECT_EQ(port.channel_count, 2u);
        EXPECT_TRUE(port.flags & CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_EQ(notes->count(plugin.plugin, false), 0u);
        ASSERT_EQ(notes->count(plugin.plugin, true), 1u);
        clap_note_port_info_t notePort{};
        ASSERT_TRUE(notes->get(plugin.plugin, 0, true, &notePort));
        EXPECT_EQ(notePort.supported_dialects, std::uint32_t{CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI});
        ASSERT_TRUE(plugin.activate(44100.0));
        Stereo out;
        EventList events;
        events.note(0, true, 60, 0.7);
        EXPECT_EQ(plugin.process(events, 256, out), CLAP_PROCESS_CONTINUE);
    }
    EXPECT_FALSE(moduleIsLoaded(QUENOR_CLAP_PATH));
}

TEST(ClapParameters, FourValuesAndTheProgramWithTextBothWays) {
    const Module module;
    Host host;
    Plugin plugin(module, host);
    ASSERT_EQ(plugin.params->count(plugin.plugin), 5u);
    for (clap_id id = 0; id < 5; ++id) {
        clap_param_info_t info{};
        ASSERT_TRUE(plugin.params->get_info(plugin.plugin, id, &info));
        EXPECT_EQ(info.id, id);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ(plugin.value(id), info.default_value);
        if (id < kNumParameters) {
            EXPECT_STREQ(info.name, kParameterNames[id]);
            EXPECT_EQ(info.default_value, kFactoryPrograms[0].parameters[id]) << "exactly program 0's";
            EXPECT_EQ(info.min_value, 0.0);
            EXPECT_EQ(info.max_value, 1.0);
        } else {
            EXPECT_STREQ(info.name, "Program");
            EXPECT_TRUE(info.flags & CLAP_PARAM_IS_STEPPED);
            EXPECT_EQ(info.max_value, kNumPrograms - 1);
        }
    }
    clap_param_info_t none{};
    EXPECT_FALSE(plugin.params->get_info(plugin.plugin, 5, &none));

    // Text and back gives the same text; values out of range show as their end.
    const auto text = [&](clap_id id, double value, std::uint32_t size = 64) {
        char buffer[64] = {};
        return plugin.params->value_to_text(plugin.plugin, id, value, buffer, size) ? std::string(buffer) : "-";
    };
    const auto parse = [&](clap_id id, const char* text) {
        double value = -1.0;
        return plugin.params->text_to_value(plugin.plugin, id, text, &value) ? value : -1.0;
    };
    for (const double value : {0.0, 0.2, 0.123456, 0.5, 0.9995, 1.0}) {
        const std::string shown = text(kSustain, value);
        EXPECT_EQ(text(kSustain, parse(kSustain, shown.c_str())), shown);
        EXPECT_NEAR(parse(kSustain, shown.c_str()), value, 0.0005);
    }
    EXPECT_EQ(text(kVolume, 3.0), text(kVolume, 1.0));
    EXPECT_EQ(text(kVolume, std::nan("")), "-");
    EXPECT_EQ(text(kVolume, 0.5, 3), "-") << "no room for the whole text";
    EXPECT_EQ(parse(kDamper, "7"), 1.0);
    EXPECT_EQ(parse(kDamper, "soft"), -1.0);
    for (int program = 0; program < kNumPrograms; ++program) {
        EXPECT_EQ(text(kProgram, program), kFactoryPrograms[program].name);
        EXPECT_EQ(parse(kProgram, kFactoryPrograms[program].name), program);
    }
}

// A program picked in a block sets the four values at its frame, and the host
// hears of them, as of Volume moved by MIDI controller 7.
TEST(ClapParameters, TheProgramAndControllerSevenSetValuesTheHostIsToldOf) {
    const Module module;
    Host host;
    Plugin picked(module, host), direct(module, host);
    ASSERT_TRUE(picked.activate(48000.0));
    ASSERT_TRUE(direct.activate(48000.0));
    EventList pick, values;
    pick.note(0, true, 60, 0.8);
    pick.param(100, kProgram, 2.0);
    values.note(0, true, 60, 0.8);
    for (int i = 0; i < kNumParameters; ++i) values.param(100, i, kFactoryPrograms[2].parameters[i]);
    Stereo a, b;
    picked.process(pick, 512, a);
    direct.process(values, 512, b);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(picked.value(kProgram), 2.0);
    EXPECT_EQ(picked.sent, (std::vector<SentEvent>{{CLAP_EVENT_PARAM_VALUE, kDamper, kFactoryPrograms[2].parameters[kDamper]}}))
        << "only what differs from what the host knew";

    EventList volume;
    volume.midi(5, {0, {midi::kControlChange, midi::kVolume, 127}});
    direct.sent.clear();
    direct.process(volume, 64, b);
    EXPECT_EQ(direct.sent, (std::vector<SentEvent>{{CLAP_EVENT_PARAM_VALUE, kVolume, 1.0}}));
    EXPECT_EQ(direct.value(kVolume), 1.0);
}

TEST(ClapParameters, AFlushOutsideProcessingSetsValues) {
    const Module module;
    Host host;
    Plugin flushed(module, host), inBlock(module, host);
    EventList change;
    change.param(0, kMetalPlastic, 0.8);
    change.note(0, true, 60, 0.8);
    // Before activation too: the value carries into the instance made then.
    flushed.flush(change);
    EXPECT_EQ(flushed.value(kMetalPlastic), 0.8f);
    ASSERT_TRUE(flushed.activate(44100.0));
    ASSERT_TRUE(inBlock.activate(44100.0));
    Stereo a, b;
    EventList note, both;
    note.note(0, true, 60, 0.8);
    both.param(0, kMetalPlastic, 0.8);
    both.note(0, true, 60, 0.8);
    flushed.process(note, 512, a);
    inBlock.process(both, 512, b);
    EXPECT_EQ(a.left, b.left);
    EXPECT_TRUE(flushed.sent.empty()) << "the host's own value is not echoed";
}

TEST(ClapState, ARoundTripRestoresTheSoundWhateverTheStream) {
    const Module module;
    Host host;
    Plugin saved(module, host);
    ASSERT_TRUE(saved.activate(48000.0));
    EventList edits;
    edits.param(0, kProgram, 3.0);
    edits.param(0, kSustain, 0.25);
    edits.midi(1, {0, {midi::kControlChange, midi::kVolume, 90}});
    Stereo ignored;
    saved.process(edits, 64, ignored);
    const std::vector<std::uint8_t> whole = save(saved.plugin, saved.state);
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(save(saved.plugin, saved.state, 1), whole) << "one byte per write";

    // Loaded one byte a read, before activation and while active.
    Plugin before(module, host), during(module, host), reference(module, host);
    ASSERT_TRUE(load(before.plugin, before.state, whole, 1));
    ASSERT_TRUE(during.activate(48000.0));
    ASSERT_TRUE(load(during.plugin, during.state, whole, 1));
    EXPECT_EQ(host.rescans, 2);
    for (clap_id id = 0; id < 5; ++id) {
        EXPECT_EQ(before.value(id), saved.value(id)) << id;
        EXPECT_EQ(during.value(id), saved.value(id)) << id;
    }
    EXPECT_NEAR(saved.value(kVolume), 90 / 127.0, 1e-6);
    ASSERT_TRUE(before.activate(48000.0));
    ASSERT_TRUE(reference.activate(48000.0));
    EventList values;
    for (int i = 0; i < kNumParameters; ++i) values.param(0, i, saved.value(i));
    Stereo a, b, c;
    EventList note;
    note.note(0, true, 60, 0.8);
    values.note(0, true, 60, 0.8);
    before.process(note, 1024, a);
    during.process(note, 1024, b);
    reference.process(values, 1024, c);
    EXPECT_EQ(a.left, c.left);
    EXPECT_EQ(b.left, c.left);

    // Truncated, failing, of another version or out of range: refused, nothing changed.
    Plugin untouched(module, host);
    std::vector<std::vector<std::uint8_t>> bad{{}, {whole.begin(), whole.end() - 1}};
    std::vector<std::uint8_t> otherVersion = whole, outOfRange = whole, noProgram = whole;
    otherVersion[3] = 2;
    outOfRange[7] = 0x7F;  // Volume's top byte: a value far above 1
    noProgram.back() = kNumPrograms;
    bad.insert(bad.end(), {otherVersion, outOfRange, noProgram});
    for (const auto& blob : bad) EXPECT_FALSE(load(untouched.plugin, untouched.state, blob, 1)) << blob.size();
    EXPECT_FALSE(load(untouched.plugin, untouched.state, whole, 1, whole.size() - 1)) << "the stream fails";
    for (clap_id id = 0; id < 5; ++id) {
        clap_param_info_t info{};
        untouched.params->get_info(untouched.plugin, id, &info);
        EXPECT_EQ(untouched.value(id), info.default_value);
    }
    EXPECT_EQ(host.rescans, 2);
}

}  // namespace
