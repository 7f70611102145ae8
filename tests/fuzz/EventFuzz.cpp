// Event lists as any host might send them, then renders of any length: every
// sample finite and within [-1, 1]. Lists of well-formed note, pedal and
// controller messages also go to a direct drive of the engine, which applies
// them at the frames the intake promises; the keys of both must agree to the
// bit after every render.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/KeyModel.h"
#include "plugin/MidiVocabulary.h"
#include "plugin/quenor.h"
#include "tests/fuzz/FuzzHost.h"

using namespace fuzzhost;

namespace {

constexpr VstInt32 kBlockSize = 1024;

// The engine driven directly: the queue kept by absolute frame, events with
// equal frames in arrival order, each applied before the frame it is due at.
class DirectDrive {
public:
    explicit DirectDrive(const float (&parameters)[4]) {
        if (!keys->prepare(parameters[1], parameters[2], parameters[3])) fail("no strike tables");
    }

    void receive(const EventList::Midi& message) {
        const int status = midi::statusKind(message.bytes[0]);
        const int d1 = message.bytes[1] & 0x7F;
        const int d2 = message.bytes[2] & 0x7F;
        if (status == midi::kNoteOn || status == midi::kNoteOff) {
            const auto key = static_cast<std::uint8_t>(midi::keyOfNote(d1));
            if (key < kNumKeys)
                queue(
                    {now + message.delta, key, static_cast<std::uint8_t>(d2), status == midi::kNoteOn && d2 != 0});
        } else if (status == midi::kControlChange && d1 == midi::kSustainPedal) {
            queue({now + message.delta, kPedalKey, 0, d2 != 0});
        } else if (status == midi::kControlChange && d1 == midi::kAllNotesOff) {
            keys->allNotesOff();
        }
    }

    void render(VstInt32 frames) {
        for (VstInt32 remaining = frames; remaining > 0;) {
            while (!pending.empty() && pending.front().due <= now) {
                apply(pending.front());
                pending.erase(pending.begin());
            }
            VstInt32 n = remaining;
            if (!pending.empty() && pending.front().due - now < n)
                n = static_cast<VstInt32>(pending.front().due - now);
            scratchLeft.resize(static_cast<std::size_t>(n));
            scratchRight.resize(static_cast<std::size_t>(n));
            RenderJob job{0, 1, keys.get(), scratchLeft.data(), scratchRight.data(), n};
            renderKeys(&job);
            now += n;
            remaining -= n;
        }
    }

    // Frames until the last queued event has been applied.
    std::int64_t framesToDrain() const { return pending.empty() ? 0 : pending.back().due - now + 1; }
    const KeyModel& model() const { return *keys; }

private:
    struct Queued {
        std::int64_t due;
        std::uint8_t key, velocity;
        bool on;
    };

    void queue(const Queued& event) {
        const auto at = std::upper_bound(pending.begin(), pending.end(), event.due,
                                         [](std::int64_t due, const Queued& q) { return due < q.due; });
        pending.insert(at, event);
    }

    void apply(const Queued& event) {
        if (event.key == kPedalKey)
            event.on ? keys->sustainDown() : keys->sustainUp();
        else if (event.on)
            keys->noteOn(event.key, event.velocity);
        else
            keys->noteOff(event.key);
    }

    std::unique_ptr<KeyModel> keys = std::make_unique<KeyModel>();
    std::vector<Queued> pending;
    std::int64_t now = 0;
    std::vector<float> scratchLeft, scratchRight;
};

template <class T, std::size_t N>
bool same(const T (&a)[N], const T (&b)[N]) {
    return std::memcmp(a, b, sizeof a) == 0;
}

// The key state inside the module. The object behind the record is the
// plug-in class, built by the same compiler from the same header.
const KeyModel& moduleKeys(AEffect* effect) {
    return static_cast<quenor*>(static_cast<AudioEffect*>(effect->object))->keyModel();
}

void compareKeys(AEffect* effect, const DirectDrive& drive) {
    const KeyModel& a = moduleKeys(effect);
    const KeyModel& b = drive.model();
    if (!same(a.active, b.active) || !same(a.held, b.held) || a.pedalHeld != b.pedalHeld)
        fail("the keys sounding or held differ from the direct drive");
    if (!same(a.strikeLeft, b.strikeLeft) || !same(a.strikeGainRaw, b.strikeGainRaw) ||
        !same(a.strikeGainSmooth, b.strikeGainSmooth) || !same(a.loss, b.loss))
        fail("strikes or damping differ from the direct drive");
    if (!same(a.pos, b.pos) || !same(a.vel, b.vel)) fail("the strings differ from the direct drive");
}

struct AnyLists {
    AEffect* effect = nullptr;
    long queuedSinceCreation = 0;
};

struct WellFormed {
    AEffect* effect = nullptr;
    std::unique_ptr<DirectDrive> drive;
};

AnyLists anyLists;
WellFormed wellFormed;

EventList::Midi wellFormedMessage(FuzzedDataProvider& input) {
    EventList::Midi m{input.ConsumeIntegralInRange<VstInt32>(-16, 3 * kBlockSize), {0, 0, 0}};
    const auto channel = input.ConsumeIntegralInRange<unsigned char>(0, 15);
    switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0:
        case 1:
        case 2:
            m.bytes[0] = midi::kNoteOn | channel;
            break;
        case 3:
        case 4:
            m.bytes[0] = midi::kNoteOff | channel;
            break;
        default: {
            static const unsigned char controllers[] = {midi::kSustainPedal, midi::kSustainPedal,
                                                        midi::kAllNotesOff, midi::kVolume};
            m.bytes[0] = midi::kControlChange | channel;
            m.bytes[1] = controllers[input.ConsumeIntegralInRange(0, 3)];
            m.bytes[2] = input.ConsumeIntegralInRange<unsigned char>(0, 127);
            return m;
        }
    }
    m.bytes[1] = input.ConsumeIntegralInRange<unsigned char>(0, 127);
    m.bytes[2] = input.ConsumeIntegralInRange<unsigned char>(0, 127);
    return m;
}

void renderBoth(VstInt32 frames) {
    renderChecked(wellFormed.effect, frames, false);
    wellFormed.drive->render(frames);
    compareKeys(wellFormed.effect, *wellFormed.drive);
}

void runWellFormed(FuzzedDataProvider& input) {
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeBool()) {
            std::vector<EventList::Midi> messages(input.ConsumeIntegralInRange<std::size_t>(0, 200));
            for (auto& m : messages) m = wellFormedMessage(input);
            EventList list = EventList::midiList(messages);
            wellFormed.effect->dispatcher(wellFormed.effect, effProcessEvents, 0, 0, list.get(), 0.0f);
            for (const auto& m : messages) wellFormed.drive->receive(m);
        } else {
            renderBoth(consumeFrames(input, kBlockSize));
        }
    }
    // Nothing stays queued for the next input.
    for (std::int64_t left = wellFormed.drive->framesToDrain(); left > 0; left = wellFormed.drive->framesToDrain())
        renderBoth(static_cast<VstInt32>(std::min<std::int64_t>(left, kBlockSize)));
}

void runAnyLists(FuzzedDataProvider& input) {
    // Far-off events pile up in the queue; a fresh instance now and then bounds it.
    if (!anyLists.effect || anyLists.queuedSinceCreation > 20000) {
        if (anyLists.effect) closeInstance(anyLists.effect);
        anyLists.effect = createInstance();
        anyLists.queuedSinceCreation = 0;
    }
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeBool()) {
            EventList list = EventList::anyList(input);
            anyLists.queuedSinceCreation += std::max(list.get()->numEvents, 0);
            anyLists.effect->dispatcher(anyLists.effect, effProcessEvents, 0, 0, list.get(), 0.0f);
        } else {
            renderChecked(anyLists.effect, consumeFrames(input, kBlockSize), false);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    wellFormed.effect = createInstance();
    float parameters[4];
    for (int i = 0; i < 4; ++i) parameters[i] = wellFormed.effect->getParameter(wellFormed.effect, i);
    wellFormed.drive = std::make_unique<DirectDrive>(parameters);
    compareKeys(wellFormed.effect, *wellFormed.drive);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool())
        runWellFormed(input);
    else
        runAnyLists(input);
    return 0;
}
