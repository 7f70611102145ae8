// The LV2 bundle loaded from the build tree by Debian's LV2 host library, as
// a host does: the world, the plug-in, and instances with their ports.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/TimedEvent.h"
#include "lv2/Lv2Ports.h"

namespace lv2test {

// One URI table for every world and instance of a test.
LV2_URID_Map* uridMap();
LV2_URID_Unmap* uridUnmap();
LV2_URID urid(const char* uri);

class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    LilvWorld* world() const { return lilvWorld; }
    const LilvPlugin* plugin() const { return lilvPlugin; }
    LilvNode* uri(const char* text);

private:
    LilvWorld* lilvWorld;
    const LilvPlugin* lilvPlugin = nullptr;
    std::vector<LilvNode*> nodes;
};

// A MIDI event sequence as a host writes it into the input port.
class Sequence {
public:
    Sequence() { clear(); }
    void clear();
    void add(std::int64_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void add(const TimedEvent& event) { add(event.frame, event.bytes[0], event.bytes[1], event.bytes[2]); }
    LV2_Atom_Sequence* atom() { return reinterpret_cast<LV2_Atom_Sequence*>(words.data()); }

private:
    std::vector<std::uint64_t> words;
};

class Instance {
public:
    // Fails the test (and stays null) when the plug-in refuses.
    Instance(const World& world, double rate);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    LilvInstance* get() const { return instance; }
    // One run of frames after the sequence's events, left and right appended.
    void run(int frames, std::vector<float>& left, std::vector<float>& right);
    float controls[kNumParameters];
    float latency = -1.0f;
    Sequence midi;

private:
    LilvInstance* instance = nullptr;
    std::vector<float> left, right;
};

}  // namespace lv2test
