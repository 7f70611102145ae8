#include "host/HostRateInstrument.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

HostRateInstrument::HostRateInstrument(PluginEntry entry, double hostRate) : plugin(entry, "the instrument") {
    if (!acceptsRate(hostRate)) throw std::runtime_error("no sample rate of " + std::to_string(hostRate) + " Hz");
    const int rate = static_cast<int>(std::lround(hostRate));
    int instrumentBlock = kMaxPieceFrames;
    if (rate != kRenderRate) {
        resampler = std::make_unique<StreamResampler>(rate, kMaxPieceFrames);
        instrumentBlock = resampler->largestInput();
        renderLeft.assign(static_cast<std::size_t>(instrumentBlock), 0.0f);
        renderRight.assign(static_cast<std::size_t>(instrumentBlock), 0.0f);
    }
    events.reserve();
    changes.reserve();
    plugin.reserveEvents(kMaxBlockEvents);
    plugin.open(instrumentBlock);
    plugin.resume();
}

template <class Item>
void HostRateInstrument::Lane<Item>::reserve() {
    for (auto* list : {&carried, &piece, &spare}) list->reserve(kMaxBlockEvents);
}

template <class Item>
void HostRateInstrument::Lane<Item>::sortOut(std::span<const Item> arrived, const HostRateInstrument& owner,
                                             std::int64_t hostStart, std::int64_t end) {
    piece.clear();
    spare.clear();
    // Beyond the reserved room the latest items go: nothing here allocates.
    const auto keep = [&](const Item& item) {
        std::vector<Item>& list = item.frame < end ? piece : spare;
        if (list.size() < list.capacity()) list.push_back(item);
    };
    for (const Item& item : carried) keep(item);
    for (Item item : arrived) {
        item.frame = owner.instrumentFrameOf(owner.hostFrame + item.frame - hostStart);
        keep(item);
    }
    carried.swap(spare);
}

void HostRateInstrument::run(std::span<const TimedEvent> blockEvents, std::span<const ParameterChange> blockChanges,
                             int frames, float* left, float* right) {
    std::size_t nextEvent = 0, nextChange = 0;
    // A 0-frame block still takes its items, for the next block's start.
    for (int start = 0; start < frames || (frames == 0 && start == 0);) {
        const int length = std::min(frames - start, kMaxPieceFrames);
        const bool last = start + length == frames;
        // The last piece also takes the items at `frames`, which it carries.
        const auto due = [&](std::int64_t frame) { return frame < start + length || (last && frame <= frames); };
        const std::size_t firstEvent = nextEvent, firstChange = nextChange;
        while (nextEvent < blockEvents.size() && due(blockEvents[nextEvent].frame)) ++nextEvent;
        while (nextChange < blockChanges.size() && due(blockChanges[nextChange].frame)) ++nextChange;

        const std::int64_t instrumentStart = instrumentFrameOf(hostFrame);
        const std::int64_t instrumentEnd = instrumentFrameOf(hostFrame + length);
        events.sortOut(blockEvents.subspan(firstEvent, nextEvent - firstEvent), *this, start, instrumentEnd);
        changes.sortOut(blockChanges.subspan(firstChange, nextChange - firstChange), *this, start, instrumentEnd);

        const auto instrumentFrames = static_cast<int>(instrumentEnd - instrumentStart);
        if (resampler) {
            playBlock(plugin, events.piece, changes.piece, instrumentStart, instrumentFrames, renderLeft.data(),
                      renderRight.data());
            resampler->convert(renderLeft.data(), renderRight.data(), left + start, right + start, length);
        } else {
            playBlock(plugin, events.piece, changes.piece, instrumentStart, instrumentFrames, left + start,
                      right + start);
        }
        hostFrame += length;
        start += std::max(length, 1);
    }
}
