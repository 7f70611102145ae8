#include "host/WholeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/HostError.h"
#include "host/ReplacingFile.h"

namespace {

std::string systemError() { return std::strerror(errno); }

}  // namespace

void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    ReplacingFile file(path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(file.descriptor(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            throw fileError(path, "cannot write: " + systemError());
        }
        done += static_cast<std::size_t>(wrote);
    }
    file.commit(false);
}

std::vector<std::uint8_t> readWholeFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw fileError(path, systemError());
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const std::string problem = systemError();
            ::close(fd);
            throw fileError(path, problem);
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > maxBytes) {
            ::close(fd);
            throw fileError(path, "too large (more than " + std::to_string(maxBytes) + " bytes)");
        }
    }
    ::close(fd);
    return bytes;
}
