#include "vstgui/ResourceStream.h"

#include <cstring>

#include "platform/ModuleResources.h"
#include "platform/ReadOnlyStream.h"

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
    if (!platform::readFits(position, count, size)) return kStreamFalse;
    if (count > 0) std::memcpy(buffer, data + position, count);
    position += count;
    if (done) *done = count;
    return kStreamOk;
}

StreamResult ResourceStream::seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition) {
    switch (platform::seekWithin(size, position, move, origin)) {
        case platform::SeekAnswer::moved:
            if (newPosition) *newPosition = position;
            return kStreamOk;
        case platform::SeekAnswer::refused:
            return kStreamFalse;
        case platform::SeekAnswer::unknownOrigin:
            break;
    }
    return kStreamInvalidFunction;
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
