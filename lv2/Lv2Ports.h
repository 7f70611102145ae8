// The LV2 instrument's ports, shared by the plug-in, its UI and the bundle's
// description. The four control ports follow the parameters' order.
#pragma once

#include "engine/Parameters.h"

namespace lv2port {

enum Index : unsigned {
    kMidiIn = 0,
    kOutLeft = 1,
    kOutRight = 2,
    kFirstControl = 3,  // volume, metal_plastic, sustain, damper
    kLatency = kFirstControl + kNumParameters,
    kCount
};

constexpr unsigned controlPort(int parameter) { return kFirstControl + static_cast<unsigned>(parameter); }
constexpr bool isControlPort(unsigned port) { return port >= kFirstControl && port < kLatency; }
constexpr int parameterOf(unsigned port) { return static_cast<int>(port - kFirstControl); }

inline constexpr const char* kControlSymbols[kNumParameters] = {"volume", "metal_plastic", "sustain", "damper"};

inline constexpr char kPluginUri[] = "urn:tavrex:quenor-m4";
inline constexpr char kUiUri[] = "urn:tavrex:quenor-m4#ui";

}  // namespace lv2port
