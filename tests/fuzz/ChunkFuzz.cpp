// Chunks of any bytes and any size for bank and program, then reads of them,
// program changes, parameter reads and writes and renders with notes
// sounding. Whatever values the programs hold, no sample may be NaN,
// infinite or outside [-1, 1]; a chunk is taken whole or not at all, and
// reads give back exactly what was taken.
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "tests/fuzz/FuzzHost.h"

using namespace fuzzhost;

namespace {

constexpr int kRecordSize = 40;
constexpr int kBankSize = 4 * kRecordSize;

AEffect* effect = nullptr;
unsigned char factoryBank[kBankSize];

// The host's own copy of what the programs must hold.
struct Expected {
    unsigned char bank[kBankSize];
    int program = 0;
    unsigned char* record(int p) { return bank + p * kRecordSize; }
};

VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

float interestingValue(FuzzedDataProvider& input) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    static const float values[] = {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::signaling_NaN(), inf, -inf, 1e30f, -1e30f,
                                   std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                                   -1.0f, -0.0f, 0.0f, 0.5f, 1.0f, 2.0f, 1e6f};
    if (input.ConsumeBool()) return values[input.ConsumeIntegralInRange<std::size_t>(0, std::size(values) - 1)];
    return std::bit_cast<float>(input.ConsumeIntegral<std::uint32_t>());
}

void playChord() {
    const EventList::Midi chord[] = {{0, {0x90, 40, 127}}, {0, {0x90, 52, 100}}, {3, {0x90, 64, 90}},
                                     {7, {0x90, 108, 127}}, {0, {0x90, 21, 127}}};
    EventList list = EventList::midiList({std::begin(chord), std::end(chord)});
    dispatch(effProcessEvents, 0, 0, list.get());
}

void setChunk(FuzzedDataProvider& input, Expected& expected) {
    const bool isPreset = input.ConsumeBool();
    VstInt32 size;
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: size = isPreset ? kRecordSize : kBankSize; break;
    case 1: size = isPreset ? kBankSize : kRecordSize; break;
    case 2: size = input.ConsumeIntegralInRange(0, 400); break;
    default: size = input.ConsumeIntegral<VstInt32>(); break;
    }
    // The host's buffer holds what it announces, up to a limit it would not pass.
    const std::size_t room = size >= 0 && size <= 4096 ? static_cast<std::size_t>(size) : 4096;
    std::vector<unsigned char> bytes(room);
    if (input.ConsumeBool()) {
        // Values chosen to hurt, and names without their NUL.
        for (std::size_t at = 0; at + 4 <= room; at += 4) {
            const float value = (at % kRecordSize) < 16 ? interestingValue(input) : std::bit_cast<float>(0x41414141u);
            std::memcpy(&bytes[at], &value, 4);
        }
    } else {
        const auto given = input.ConsumeBytes<unsigned char>(room);
        std::copy(given.begin(), given.end(), bytes.begin());
    }
    // Exactly sized, so AddressSanitizer sees a read past the announced size.
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[std::max<std::size_t>(room, 1)]);
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    const VstIntPtr taken = dispatch(effSetChunk, isPreset ? 1 : 0, size, buffer.get());
    const VstInt32 wanted = isPreset ? kRecordSize : kBankSize;
    if (size != wanted) {
        if (taken != 0) fail("a chunk of the wrong size was taken");
        return;
    }
    if (taken != wanted) fail("a chunk of the right size was refused");
    std::memcpy(isPreset ? expected.record(expected.program) : expected.bank, buffer.get(), wanted);
}

void getChunk(FuzzedDataProvider& input, Expected& expected) {
    const bool isPreset = input.ConsumeBool();
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size != (isPreset ? kRecordSize : kBankSize)) fail("getChunk answered a wrong size");
    const unsigned char* want = isPreset ? expected.record(expected.program) : expected.bank;
    if (std::memcmp(data, want, static_cast<std::size_t>(size)) != 0) fail("getChunk gave other bytes than were stored");
}

void readNames(FuzzedDataProvider& input, Expected& expected) {
    const VstInt32 index = input.ConsumeIntegralInRange(-1, 4);
    char text[24];
    std::memset(text, 0x7f, sizeof text);
    const VstIntPtr answer = dispatch(effGetProgramNameIndexed, index, 0, text);
    if (index < 0 || index > 3) {
        if (answer != 0) fail("a name for a program that does not exist");
        return;
    }
    const char* stored = reinterpret_cast<const char*>(expected.record(index) + 16);
    const std::size_t length = strnlen(stored, 23);
    if (answer != 1 || std::memcmp(text, stored, length) != 0 || text[length] != 0)
        fail("a program name came back other than stored, or without its NUL inside 24 bytes");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    effect = createInstance();
    void* data = nullptr;
    if (dispatch(effGetChunk, 0, 0, &data) != kBankSize) fail("no bank chunk");
    std::memcpy(factoryBank, data, kBankSize);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every input starts from the factory programs with a chord sounding; the
    // strings' motion carries over from earlier inputs, which no check depends on.
    Expected expected;
    std::memcpy(expected.bank, factoryBank, kBankSize);
    dispatch(effSetProgram, 0, 0);
    if (dispatch(effSetChunk, 0, kBankSize, factoryBank) != kBankSize) fail("the factory bank was refused");
    playChord();

    FuzzedDataProvider input(data, size);
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0:
        case 1: setChunk(input, expected); break;
        case 2: getChunk(input, expected); break;
        case 3: {
            const auto program = input.ConsumeIntegralInRange<VstIntPtr>(-2, 5);
            dispatch(effSetProgram, 0, program);
            if (program >= 0 && program < 4) expected.program = static_cast<int>(program);
            if (dispatch(effGetProgram) != expected.program) fail("the current program is not the one chosen");
            break;
        }
        case 4: {
            const VstInt32 index = input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, 4) : input.ConsumeIntegral<VstInt32>();
            const float value = interestingValue(input);
            effect->setParameter(effect, index, value);
            if (index >= 0 && index < 4) std::memcpy(expected.record(expected.program) + 4 * index, &value, 4);
            break;
        }
        case 5: {
            const VstInt32 index = input.ConsumeIntegralInRange(0, 3);
            const float value = effect->getParameter(effect, index);
            if (std::memcmp(&value, expected.record(expected.program) + 4 * index, 4) != 0)
                fail("getParameter gave another value than was stored");
            break;
        }
        case 6: readNames(input, expected); break;
        default: renderChecked(effect, consumeFrames(input, 1024), false); break;
        }
    }
    renderChecked(effect, 64, false);
    return 0;
}
