#include "vstgui/ResourceStream.h"

#include <cstring>

#include "platform/ModuleResources.h"

namespace VSTGUI {

bool ResourceStream::open(const char* name) {
    const platform::ModuleResource resource = platform::findModuleResource("DATA", name);
    if (!resource) return false;
    data = resource.data;
    size = resource.size;
    position = 0;
    return true;
}

std::uint32_t ResourceStream::addRef() { return references.fetch_add(1) + 1; }

std::uint32_t ResourceStream::release() {
    const std::uint32_t left = references.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

StreamResult ResourceStream::read(void* buffer, std::uint32_t count, std::uint32_t* done) {
    // Compared in 64 bits: position + count must not wrap around.
    if (static_cast<std::uint64_t>(position) + count > size) return kStreamFalse;
    if (count > 0) std::memcpy(buffer, data + position, count);
    position += count;
    if (done) *done = count;
    return kStreamOk;
}

StreamResult ResourceStream::seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition) {
    std::int64_t target = 0;
    switch (origin) {
        case kSeekFromStart:
            target = move;
            break;
        case kSeekFromCurrent:
            target = static_cast<std::int64_t>(position) + move;
            break;
        case kSeekFromEnd:
            return kStreamFalse;
        default:
            return kStreamInvalidFunction;
    }
    if (target < 0 || target >= static_cast<std::int64_t>(size)) return kStreamFalse;
    position = static_cast<std::uint32_t>(target);
    if (newPosition) *newPosition = position;
    return kStreamOk;
}

StreamResult ResourceStream::stat(std::uint64_t* sizeOut) const {
    *sizeOut = size;
    return kStreamOk;
}

StreamResult ResourceStream::revert() {
    position = 0;
    return kStreamOk;
}

}  // namespace VSTGUI
