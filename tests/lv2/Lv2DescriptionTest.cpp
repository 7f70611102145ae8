// What a host reads from the bundle before it makes an instance: the plug-in,
// its ports and the factory programs as presets, every value to the bit.
#include <gtest/gtest.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>

#include <bit>
#include <cstring>
#include <string>

#include "plugin/ParameterNames.h"
#include "plugin/ProgramRecord.h"
#include "tests/lv2/LilvHost.h"

namespace {

using namespace lv2test;

std::string text(LilvNode* node) {
    std::string value = node ? lilv_node_as_string(node) : "";
    lilv_node_free(node);
    return value;
}

TEST(Lv2Description, AnInstrumentWithEightPortsWhoseControlsStartAtTheFirstProgram) {
    World world;
    const LilvPlugin* plugin = world.plugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(text(lilv_plugin_get_name(plugin)), "Quenor-m4");
    EXPECT_TRUE(lilv_world_ask(world.world(), lilv_plugin_get_uri(plugin), world.uri(LILV_NS_RDF "type"),
                               world.uri(LV2_CORE__InstrumentPlugin)));

    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    ASSERT_EQ(lilv_nodes_size(required), 1u);
    EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get(required, lilv_nodes_begin(required))), LV2_URID__map);
    lilv_nodes_free(required);

    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), static_cast<std::uint32_t>(lv2port::kCount));
    const char* symbols[] = {"midi_in", "out_left", "out_right", "volume", "metal_plastic", "sustain", "damper",
                             "latency"};
    for (std::uint32_t i = 0; i < lv2port::kCount; ++i)
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, lilv_plugin_get_port_by_index(plugin, i))),
                     symbols[i]);

    for (int p = 0; p < kNumParameters; ++p) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, lv2port::controlPort(p));
        EXPECT_EQ(text(lilv_port_get_name(plugin, port)), kParameterNames[p]);
        LilvNode *defaultValue, *minimum, *maximum;
        lilv_port_get_range(plugin, port, &defaultValue, &minimum, &maximum);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(lilv_node_as_float(defaultValue)),
                  std::bit_cast<std::uint32_t>(kFactoryPrograms[0].parameters[p]))
            << kParameterNames[p];
        EXPECT_EQ(lilv_node_as_float(minimum), 0.0f);
        EXPECT_EQ(lilv_node_as_float(maximum), 1.0f);
        for (LilvNode* node : {defaultValue, minimum, maximum}) lilv_node_free(node);
    }
    const LilvPort* latency =
        lilv_plugin_get_port_by_designation(plugin, world.uri(LILV_URI_OUTPUT_PORT), world.uri(LV2_CORE__latency));
    ASSERT_NE(latency, nullptr);
    EXPECT_EQ(lilv_port_get_index(plugin, latency), static_cast<std::uint32_t>(lv2port::kLatency));
}

TEST(Lv2Description, TheFourProgramsArePresetsWithTheirNamesAndExactValues) {
    World world;
    LilvNodes* presets = lilv_plugin_get_related(world.plugin(), world.uri(LV2_PRESETS__Preset));
    ASSERT_EQ(lilv_nodes_size(presets), static_cast<unsigned>(kNumPrograms));
    int found = 0;
    LILV_FOREACH (nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(world.world(), preset);
        LilvState* state = lilv_state_new_from_world(world.world(), uridMap(), preset);
        ASSERT_NE(state, nullptr);
        for (int p = 0; p < kNumPrograms; ++p) {
            if (std::strcmp(lilv_state_get_label(state), kFactoryPrograms[p].name) != 0) continue;
            ++found;
            float values[kNumParameters] = {-1, -1, -1, -1};
            lilv_state_restore(
                state, nullptr,
                [](const char* symbol, void* data, const void* value, std::uint32_t size, std::uint32_t) {
                    for (int k = 0; k < kNumParameters; ++k)
                        if (size == sizeof(float) && std::strcmp(symbol, lv2port::kControlSymbols[k]) == 0)
                            std::memcpy(&static_cast<float*>(data)[k], value, sizeof(float));
                },
                values, 0, nullptr);
            for (int k = 0; k < kNumParameters; ++k)
                EXPECT_EQ(std::bit_cast<std::uint32_t>(values[k]),
                          std::bit_cast<std::uint32_t>(kFactoryPrograms[p].parameters[k]))
                    << kFactoryPrograms[p].name << " " << kParameterNames[k];
        }
        lilv_state_free(state);
    }
    EXPECT_EQ(found, kNumPrograms);
    lilv_nodes_free(presets);
}

}  // namespace
