#include "host/ReplacingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/HostError.h"

namespace {

std::string systemError() { return std::strerror(errno); }

mode_t defaultFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& destination) : target(destination) {
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        throw fileError(target, "cannot write: it is a directory");
    std::string pattern = target + ".XXXXXX";
    fd = ::mkstemp(pattern.data());
    if (fd < 0) throw fileError(target, "cannot write: " + systemError());
    temporary = pattern;
    ::fchmod(fd, defaultFileMode());
}

ReplacingFile::~ReplacingFile() {
    if (committed) return;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
}

void ReplacingFile::commit(bool descriptorClosed) {
    if (!descriptorClosed) {
        const bool synced = ::fsync(fd) == 0;
        const bool closed = ::close(fd) == 0;
        fd = -1;
        if (!synced || !closed) throw fileError(target, "cannot write: " + systemError());
    }
    fd = -1;
    if (::rename(temporary.c_str(), target.c_str()) != 0) throw fileError(target, "cannot write: " + systemError());
    committed = true;
}
