// A failure a program hosting the instrument reports in a single line: the
// file, plug-in, device or server concerned and what is wrong with it.
#pragma once

#include <stdexcept>
#include <string>

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline HostError fileError(const std::string& path, const std::string& problem) {
    return HostError(path + ": " + problem);
}
