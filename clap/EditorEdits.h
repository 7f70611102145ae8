// The user's edits in the editor on their way from the main thread to
// whichever thread next plays or flushes: one writer, one reader, no lock.
// When full, later edits are dropped.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct EditorEdit {
    enum Kind : std::uint8_t { begin, change, end } kind;
    std::uint8_t index;
    float value;
};

class EditorEdits {
public:
    bool push(const EditorEdit& edit) {
        const std::uint32_t tail = written.load(std::memory_order_relaxed);
        if (tail - taken.load(std::memory_order_acquire) == kCapacity) return false;
        slots[tail % kCapacity] = edit;
        written.store(tail + 1, std::memory_order_release);
        return true;
    }

    template <class Use>
    void takeAll(Use&& use) {
        std::uint32_t head = taken.load(std::memory_order_relaxed);
        const std::uint32_t tail = written.load(std::memory_order_acquire);
        for (; head != tail; ++head) use(slots[head % kCapacity]);
        taken.store(head, std::memory_order_release);
    }

private:
    static constexpr std::uint32_t kCapacity = 256;
    std::array<EditorEdit, kCapacity> slots{};
    std::atomic<std::uint32_t> written{0}, taken{0};
};
