// Writes the bundle's description from the facts the code uses: the ports'
// indices and symbols, the parameters' names and the factory programs.
//   quenor-lv2-description FOLDER DSP-BINARY UI-BINARY MINOR MICRO
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "lv2/Lv2Ports.h"
#include "plugin/ParameterNames.h"
#include "plugin/ProgramRecord.h"

namespace {

constexpr char kPrefixes[] =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// The shortest decimal that reads back as the same float.
std::string decimal(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    std::string out(text, result.ptr);
    if (out.find_first_of(".e") == std::string::npos) out += ".0";
    return out;
}

std::string uri(const std::string& text) { return "<" + text + ">"; }

std::string presetUri(int program) { return uri(std::string(lv2port::kPluginUri) + "#" + kFactoryPrograms[program].name); }

void writeManifest(std::ostream& out, const std::string& dsp, const std::string& ui) {
    out << kPrefixes;
    out << uri(lv2port::kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary <" << dsp
        << "> ;\n    rdfs:seeAlso <quenor-m4.ttl> .\n\n";
    out << uri(lv2port::kUiUri) << "\n    a ui:X11UI ;\n    ui:binary <" << ui
        << "> ;\n    rdfs:seeAlso <quenor-m4.ttl> .\n";
    for (int p = 0; p < kNumPrograms; ++p)
        out << "\n" << presetUri(p) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2port::kPluginUri)
            << " ;\n    rdfs:seeAlso <presets.ttl> .\n";
}

void writeControlPort(std::ostream& out, int parameter) {
    out << "        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << lv2port::controlPort(parameter) << " ;\n"
        << "        lv2:symbol \"" << lv2port::kControlSymbols[parameter] << "\" ;\n"
        << "        lv2:name \"" << kParameterNames[parameter] << "\" ;\n"
        << "        lv2:default " << decimal(kFactoryPrograms[0].parameters[parameter]) << " ;\n"
        << "        lv2:minimum 0.0 ;\n        lv2:maximum 1.0\n";
}

void writePlugin(std::ostream& out, const std::string& minor, const std::string& micro) {
    out << kPrefixes;
    out << uri(lv2port::kPluginUri) << "\n"
        << "    a lv2:InstrumentPlugin , lv2:Plugin , doap:Project ;\n"
        << "    doap:name \"Quenor-m4\" ;\n"
        << "    doap:maintainer [ foaf:name \"Tavrex\" ] ;\n"
        << "    lv2:minorVersion " << minor << " ;\n"
        << "    lv2:microVersion " << micro << " ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui " << uri(lv2port::kUiUri) << " ;\n"
        << "    lv2:port [\n"
        << "        a lv2:InputPort , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:index " << lv2port::kMidiIn << " ;\n"
        << "        lv2:symbol \"midi_in\" ;\n"
        << "        lv2:name \"MIDI In\"\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << lv2port::kOutLeft << " ;\n"
        << "        lv2:symbol \"out_left\" ;\n"
        << "        lv2:name \"Left\" ;\n"
        << "        lv2:designation pg:left\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << lv2port::kOutRight << " ;\n"
        << "        lv2:symbol \"out_right\" ;\n"
        << "        lv2:name \"Right\" ;\n"
        << "        lv2:designation pg:right\n";
    for (int i = 0; i < kNumParameters; ++i) {
        out << "    ] , [\n";
        writeControlPort(out, i);
    }
    out << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << lv2port::kLatency << " ;\n"
        << "        lv2:symbol \"latency\" ;\n"
        << "        lv2:name \"Latency\" ;\n"
        << "        lv2:designation lv2:latency ;\n"
        << "        lv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
        << "        units:unit units:frame ;\n"
        << "        lv2:minimum 0 ;\n        lv2:maximum 8192\n"
        << "    ] .\n\n";

    out << uri(lv2port::kUiUri) << "\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:touch , ui:resize , ui:noUserResize ;\n"
        << "    lv2:extensionData ui:idleInterface";
    for (int i = 0; i < kNumParameters; ++i)
        out << " ;\n    ui:portNotification [\n        ui:plugin " << uri(lv2port::kPluginUri)
            << " ;\n        lv2:symbol \"" << lv2port::kControlSymbols[i] << "\" ;\n        ui:protocol ui:floatProtocol\n    ]";
    out << " .\n";
}

void writePresets(std::ostream& out) {
    out << kPrefixes;
    for (int p = 0; p < kNumPrograms; ++p) {
        out << presetUri(p) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2port::kPluginUri)
            << " ;\n    rdfs:label \"" << kFactoryPrograms[p].name << "\" ;\n    lv2:port ";
        for (int i = 0; i < kNumParameters; ++i)
            out << (i ? " , " : "") << "[\n        lv2:symbol \"" << lv2port::kControlSymbols[i]
                << "\" ;\n        pset:value " << decimal(kFactoryPrograms[p].parameters[i]) << "\n    ]";
        out << " .\n\n";
    }
}

bool writeFile(const std::string& path, void (*write)(std::ostream&, const std::string&, const std::string&),
               const std::string& a, const std::string& b) {
    std::ofstream out(path);
    write(out, a, b);
    out.close();
    if (!out) std::cerr << "quenor-lv2-description: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: quenor-lv2-description FOLDER DSP-BINARY UI-BINARY MINOR MICRO\n";
        return 2;
    }
    const std::string folder = argv[1];
    const bool written =
        writeFile(folder + "/manifest.ttl", writeManifest, argv[2], argv[3]) &&
        writeFile(folder + "/quenor-m4.ttl", writePlugin, argv[4], argv[5]) &&
        writeFile(folder + "/presets.ttl", [](std::ostream& out, const std::string&, const std::string&) { writePresets(out); },
                  "", "");
    return written ? 0 : 1;
}
