// The instrument as the plug-in formats that are ours present it: at the
// host's rate, in tune, every event and parameter change at its own frame.
//
// The instrument always plays its 44100 Hz model. At any other rate its
// output is converted in real time and host frame f of the stream plays as
// instrument frame floor(f * 44100 / rate); at 44100 Hz nothing is converted
// and the output is the VST2 module's, sample for sample.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "host/BlockPlayer.h"
#include "host/PluginHost.h"
#include "host/StreamResampler.h"
#include "host/TimedEvent.h"

class HostRateInstrument {
public:
    // Events, and parameter changes, one block takes; later ones are dropped.
    static constexpr std::size_t kMaxBlockEvents = 4096;
    static constexpr int kLowestRate = 8000;
    static constexpr int kHighestRate = 384000;

    static bool acceptsRate(double rate) { return rate >= kLowestRate && rate <= kHighestRate; }

    // The instance comes from entry; throws a HostError when it refuses, and
    // std::runtime_error for a rate acceptsRate refuses or the converter cannot take.
    HostRateInstrument(PluginEntry entry, double hostRate);

    // Host frames from an event's frame to its sound, constant for the instance.
    int latencyFrames() const { return resampler ? resampler->latencyFrames() : 0; }

    // The audio thread. Frames of events and changes count from the block's
    // start, each list in order; one at `frames` plays at the start of the
    // next block. Writes frames samples to left and right; never allocates.
    void run(std::span<const TimedEvent> events, std::span<const ParameterChange> changes, int frames,
             float* left, float* right);

    // Any thread: the current value, Volume as MIDI controller 7 last set it included.
    float parameter(int index) { return plugin.parameter(index); }
    // Never during run.
    void setParameter(int index, float value) { plugin.setParameter(index, value); }

private:
    // Host blocks longer than this are played in pieces.
    static constexpr int kMaxPieceFrames = 4096;

    std::int64_t instrumentFrameOf(std::int64_t hostFrame) const {
        return resampler ? resampler->instrumentFrameOf(hostFrame) : hostFrame;
    }
    // Items of one kind on their way in: those for the piece being played, and
    // those carried over to the next (an item's instrument frame can lie past
    // the piece's last when host frames are shorter than instrument frames).
    template <class Item>
    struct Lane {
        std::vector<Item> carried, piece, spare;
        void reserve();
        // The carried items and the new ones (frames already mapped) due
        // before the instrument frame `end` into piece, the rest carried.
        void sortOut(std::span<const Item> arrived, const HostRateInstrument& owner, std::int64_t hostStart,
                     std::int64_t end);
    };

    PluginHost plugin;
    std::unique_ptr<StreamResampler> resampler;
    std::int64_t hostFrame = 0;  // of the stream, at the next piece's start
    Lane<TimedEvent> events;
    Lane<ParameterChange> changes;
    std::vector<float> renderLeft, renderRight;
};
