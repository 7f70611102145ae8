#include "tests/lv2/LilvHost.h"

#include <gtest/gtest.h>
#include <lv2/midi/midi.h>

#include <cstring>

#include "plugin/ProgramRecord.h"

namespace lv2test {

namespace {

struct UriTable {
    std::vector<std::string> uris;
    LV2_URID_Map map{this, [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
                         auto& table = *static_cast<UriTable*>(handle);
                         for (std::size_t i = 0; i < table.uris.size(); ++i)
                             if (table.uris[i] == uri) return static_cast<LV2_URID>(i + 1);
                         table.uris.emplace_back(uri);
                         return static_cast<LV2_URID>(table.uris.size());
                     }};
    LV2_URID_Unmap unmap{this, [](LV2_URID_Unmap_Handle handle, LV2_URID id) -> const char* {
                             auto& table = *static_cast<UriTable*>(handle);
                             return id >= 1 && id <= table.uris.size() ? table.uris[id - 1].c_str() : nullptr;
                         }};
};

UriTable& table() {
    static UriTable uris;
    return uris;
}

}  // namespace

LV2_URID_Map* uridMap() { return &table().map; }
LV2_URID_Unmap* uridUnmap() { return &table().unmap; }
LV2_URID urid(const char* uri) { return uridMap()->map(uridMap()->handle, uri); }

World::World() : lilvWorld(lilv_world_new()) {
    LilvNode* bundle = lilv_new_file_uri(lilvWorld, nullptr, QUENOR_LV2_BUNDLE "/");
    lilv_world_load_bundle(lilvWorld, bundle);
    lilv_node_free(bundle);
    lilvPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), uri(lv2port::kPluginUri));
}

World::~World() {
    for (LilvNode* node : nodes) lilv_node_free(node);
    lilv_world_free(lilvWorld);
}

LilvNode* World::uri(const char* text) { return nodes.emplace_back(lilv_new_uri(lilvWorld, text)); }

void Sequence::clear() {
    words.assign(2, 0);
    atom()->atom.type = urid(LV2_ATOM__Sequence);
    atom()->atom.size = sizeof(LV2_Atom_Sequence_Body);
}

void Sequence::add(std::int64_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    LV2_Atom_Event event{};
    event.time.frames = frame;
    event.body = {3, urid(LV2_MIDI__MidiEvent)};
    const std::uint8_t message[8] = {status, data1, data2};
    words.resize(words.size() + 3);
    auto* end = reinterpret_cast<std::uint8_t*>(words.data()) + sizeof(LV2_Atom) + atom()->atom.size;
    std::memcpy(end, &event, sizeof event);
    std::memcpy(end + sizeof event, message, sizeof message);
    atom()->atom.size += sizeof event + sizeof message;
}

Instance::Instance(const World& world, double rate) {
    static const LV2_Feature mapFeature{LV2_URID__map, uridMap()};
    static const LV2_Feature unmapFeature{LV2_URID__unmap, uridUnmap()};
    const LV2_Feature* features[] = {&mapFeature, &unmapFeature, nullptr};
    instance = lilv_plugin_instantiate(world.plugin(), rate, features);
    EXPECT_NE(instance, nullptr) << "at " << rate << " Hz";
    if (!instance) return;
    for (int i = 0; i < kNumParameters; ++i) {
        controls[i] = kFactoryPrograms[0].parameters[i];
        lilv_instance_connect_port(instance, lv2port::controlPort(i), &controls[i]);
    }
    lilv_instance_connect_port(instance, lv2port::kLatency, &latency);
    lilv_instance_connect_port(instance, lv2port::kMidiIn, midi.atom());
    lilv_instance_activate(instance);
}

Instance::~Instance() {
    if (!instance) return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

void Instance::run(int frames, std::vector<float>& outLeft, std::vector<float>& outRight) {
    left.assign(static_cast<std::size_t>(frames) + 1, 0.0f);
    right.assign(left.size(), 0.0f);
    lilv_instance_connect_port(instance, lv2port::kMidiIn, midi.atom());
    lilv_instance_connect_port(instance, lv2port::kOutLeft, left.data());
    lilv_instance_connect_port(instance, lv2port::kOutRight, right.data());
    lilv_instance_run(instance, static_cast<std::uint32_t>(frames));
    outLeft.insert(outLeft.end(), left.begin(), left.begin() + frames);
    outRight.insert(outRight.end(), right.begin(), right.begin() + frames);
    midi.clear();
}

}  // namespace lv2test
