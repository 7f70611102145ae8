// A file written under a temporary name beside its destination and renamed
// over it only when complete, so a failed run never leaves a partial file.
#pragma once

#include <string>

class ReplacingFile {
public:
    // Creates the temporary file; throws a HostError naming the destination.
    explicit ReplacingFile(const std::string& destination);
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    int descriptor() const { return fd; }
    const std::string& destination() const { return target; }
    // Flushes it to disk and renames it over the destination. The descriptor
    // must have been closed by whoever took it over, or be closed here.
    void commit(bool descriptorClosed);

private:
    std::string target;
    std::string temporary;
    int fd = -1;
    bool committed = false;
};
