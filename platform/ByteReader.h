// What an image decoder needs of its input: exact reads in order.
#pragma once

#include <cstdint>

namespace platform {

class ByteReader {
public:
    virtual ~ByteReader() = default;
    // Copies exactly count bytes or, if fewer remain, nothing and answers false.
    virtual bool readExact(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t totalSize() = 0;
};

}  // namespace platform
