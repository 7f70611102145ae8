// Opcode sequences as any host might send them, with every kind of pointer
// the published interface allows for each opcode, interleaved with renders of
// any length. One instance serves many inputs; effClose ends it and the next
// one is made through the entry point.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/fuzz/FuzzHost.h"

using namespace fuzzhost;

namespace {

// What the host answers to every request but the version query: whatever the
// input says, as a careless host might.
VstIntPtr hostAnswer = 0;

VstIntPtr garbageHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : hostAnswer;
}

// How each opcode uses ptr, per the published interface.
enum class Use { Nothing, Text, Writes, Slot, Events, Chunk, Window };

struct Contract {
    Use use;
    std::size_t size;  // the published size of the host's buffer, where there is one
};

Contract contractOf(VstInt32 opcode) {
    switch (opcode) {
    case effSetProgramName: return {Use::Text, 24};
    case effGetProgramName:
    case effGetProgramNameIndexed: return {Use::Writes, 24};
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName: return {Use::Writes, 8};
    case effGetEffectName: return {Use::Writes, 32};
    case effGetVendorString:
    case effGetProductString:
    case effShellGetNextPlugin: return {Use::Writes, 64};
    case effString2Parameter:
    case effCanDo: return {Use::Text, 64};
    case effEditGetRect:
    case effGetChunk:
    case effGetSpeakerArrangement: return {Use::Slot, sizeof(void*)};
    case effProcessEvents: return {Use::Events, 0};
    case effSetChunk: return {Use::Chunk, 0};
    case effEditOpen: return {Use::Window, 0};
    case effGetInputProperties:
    case effGetOutputProperties:
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:
    case effProcessVarIo:
    case effSetSpeakerArrangement:
    case effVendorSpecific:
    case effGetParameterProperties:
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effGetMidiKeyName:
    case effBeginLoadBank:
    case effBeginLoadProgram: return {Use::Writes, 256};
    default: return {Use::Nothing, 0};
    }
}

struct Session {
    AEffect* effect = nullptr;
    bool suspended = false;
    VstInt32 blockSize = 1024;
    int inputs = 0;

    void renew() {
        if (effect) closeInstance(effect);
        effect = createInstance(garbageHost);
        suspended = false;
        blockSize = 1024;
        inputs = 0;
    }
};

Session session;

// Storage for one call's pointers; heap blocks of exact size so that
// AddressSanitizer sees any access past them.
struct Arguments {
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
    bool exactText = false;  // ptr is a block of the published size, filled with 0x7f
    unsigned char* block(std::size_t size, unsigned char fill) {
        blocks.emplace_back(new unsigned char[size]);
        std::memset(blocks.back().get(), fill, size);
        return blocks.back().get();
    }
};

void* bufferFor(FuzzedDataProvider& input, const Contract& contract, Arguments& args) {
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0: return nullptr;
    case 1:
        args.exactText = true;
        return args.block(std::max<std::size_t>(contract.size, 1), 0x7f);
    case 2: return args.block(4096, 0);
    case 3: {
        // An unterminated text, longer than anything the plug-in may read.
        unsigned char* text = args.block(64, 'A');
        const auto bytes = input.ConsumeBytes<unsigned char>(64);
        for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = bytes[i] ? bytes[i] : 'A';
        return text;
    }
    default: {
        // A plausible structure or text: input bytes, terminated.
        unsigned char* block = args.block(std::max<std::size_t>(contract.size, 256), 0);
        const auto bytes = input.ConsumeBytes<unsigned char>(std::max<std::size_t>(contract.size, 256) - 1);
        std::copy(bytes.begin(), bytes.end(), block);
        return block;
    }
    }
}

// A text the plug-in wrote must end inside the host's buffer.
void checkTerminated(const unsigned char* buffer, std::size_t published) {
    bool untouched = true;
    for (std::size_t i = 0; i < published; ++i) untouched = untouched && buffer[i] == 0x7f;
    if (untouched) return;
    for (std::size_t i = 0; i < published; ++i)
        if (buffer[i] == 0) return;
    fail("a text came back without a NUL inside its published size");
}

void dispatchOne(FuzzedDataProvider& input) {
    const VstInt32 opcode = input.ConsumeIntegralInRange(0, 15) == 0 ? input.ConsumeIntegral<VstInt32>()
                                                                      : input.ConsumeIntegralInRange(0, 80);
    const VstInt32 index = input.ConsumeBool() ? input.ConsumeIntegralInRange(-2, 5) : input.ConsumeIntegral<VstInt32>();
    VstIntPtr value = input.ConsumeBool() ? input.ConsumeIntegralInRange<VstIntPtr>(-2, 4100)
                                          : input.ConsumeIntegral<VstIntPtr>();
    const float opt = input.ConsumeBool() ? input.ConsumeFloatingPoint<float>()
                                          : std::bit_cast<float>(input.ConsumeIntegral<std::uint32_t>());
    hostAnswer = input.ConsumeIntegral<VstIntPtr>();

    const Contract contract = contractOf(opcode);
    Arguments args;
    void* ptr = nullptr;
    EventList events = EventList::midiList({});
    switch (contract.use) {
    case Use::Nothing:
        // The plug-in must not touch a pointer the opcode does not use.
        ptr = input.ConsumeBool() ? nullptr : reinterpret_cast<void*>(input.ConsumeIntegralInRange<std::uintptr_t>(1, 4095));
        break;
    case Use::Text:
    case Use::Writes:
        ptr = bufferFor(input, contract, args);
        break;
    case Use::Slot:
        ptr = input.ConsumeIntegralInRange(0, 5) == 0 ? nullptr : args.block(sizeof(void*), 0x7f);
        break;
    case Use::Events:
        if (input.ConsumeIntegralInRange(0, 7) != 0) {
            events = EventList::anyList(input);
            ptr = events.get();
        }
        break;
    case Use::Chunk: {
        if (input.ConsumeBool()) value = input.ConsumeBool() ? 40 : 160;
        const std::size_t size = value >= 0 && value <= 4096 ? static_cast<std::size_t>(value) : 4096;
        if (input.ConsumeIntegralInRange(0, 7) != 0) {
            unsigned char* chunk = args.block(std::max<std::size_t>(size, 1), 0);
            const auto bytes = input.ConsumeBytes<unsigned char>(size);
            std::copy(bytes.begin(), bytes.end(), chunk);
            ptr = chunk;
        }
        break;
    }
    case Use::Window:
        // Null, or a window that does not exist.
        ptr = input.ConsumeBool() ? nullptr : reinterpret_cast<void*>(input.ConsumeIntegral<std::uintptr_t>());
        break;
    }
    // The speaker-arrangement opcodes take a second pointer in value.
    if (opcode == effGetSpeakerArrangement)
        value = input.ConsumeBool() ? 0 : reinterpret_cast<VstIntPtr>(args.block(sizeof(void*), 0x7f));
    if (opcode == effSetSpeakerArrangement)
        value = input.ConsumeBool() ? 0 : reinterpret_cast<VstIntPtr>(args.block(256, 0));

    AEffect* effect = session.effect;
    const VstIntPtr result = effect->dispatcher(effect, opcode, index, value, ptr, opt);

    if (opcode == effClose) {
        if (result != 1) fail("effClose did not answer 1");
        session.effect = nullptr;
        session.renew();
        return;
    }
    if (opcode == effMainsChanged) session.suspended = value == 0;
    if (opcode == effSetBlockSize) session.blockSize = static_cast<VstInt32>(value);
    if (args.exactText && contract.use == Use::Writes && contract.size < 256)
        checkTerminated(static_cast<unsigned char*>(ptr), contract.size);
    if ((opcode == effGetChunk || opcode == effEditGetRect) && ptr && result > 0) {
        // What the answer points at must be readable for the size it claims.
        const void* data = *static_cast<void**>(ptr);
        const std::size_t size = opcode == effGetChunk ? static_cast<std::size_t>(result) : sizeof(ERect);
        if (opcode == effGetChunk && result != 40 && result != 160) fail("a chunk of neither 40 nor 160 bytes");
        std::vector<unsigned char> copy(size);
        std::memcpy(copy.data(), data, size);
    }
    if (opcode == effSetChunk && result != 0 && !((result == 40 && index != 0) || (result == 160 && index == 0)))
        fail("a chunk of the wrong size was taken");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    session.renew();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A fresh instance now and then bounds what earlier inputs left queued.
    if (++session.inputs > 2000) session.renew();
    FuzzedDataProvider input(data, size);
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeIntegralInRange(0, 3) == 0)
            renderChecked(session.effect, consumeFrames(input, session.blockSize), session.suspended);
        else
            dispatchOne(input);
    }
    return 0;
}
