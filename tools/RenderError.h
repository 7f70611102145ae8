// The one kind of failure the renderer reports: a single line naming the file
// and what is wrong with it.
#pragma once

#include <stdexcept>
#include <string>

class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline RenderError fileError(const std::string& path, const std::string& problem) {
    return RenderError(path + ": " + problem);
}
