// A read-only stream over a resource's bytes in the module's memory (not
// copied, not owned). Reads are all or nothing; positions stay inside the data.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/ByteReader.h"

namespace VSTGUI {

enum StreamResult : std::uint32_t {
    kStreamOk = 0,
    kStreamFalse = 1,
    kStreamInvalidFunction = 0x80030001u,
};

enum StreamSeekOrigin : std::uint32_t {
    kSeekFromStart = 0,
    kSeekFromCurrent = 1,
    kSeekFromEnd = 2,
};

class ResourceStream final : public platform::ByteReader {
public:
    ResourceStream() = default;

    // Points the stream at the resource of type "DATA" with that name; false
    // when the module has none.
    bool open(const char* name);

    std::uint32_t addRef();
    // Deletes the stream when the last reference goes; returns the new count.
    std::uint32_t release();

    StreamResult read(void* buffer, std::uint32_t count, std::uint32_t* done);
    StreamResult seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition);
    StreamResult stat(std::uint64_t* size) const;
    StreamResult revert();

    bool readExact(void* buffer, std::uint32_t count) override { return read(buffer, count, nullptr) == kStreamOk; }
    std::uint32_t totalSize() override { return size; }

private:
    ~ResourceStream() override = default;

    const std::uint8_t* data = nullptr;
    std::uint32_t position = 0;
    std::uint32_t size = 0;
    std::atomic<std::uint32_t> references{1};
};

}  // namespace VSTGUI
