// A fresh folder under /tmp for one test's files, removed with all it holds
// however the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace testhost {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data())) folder = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool made() const { return !folder.empty(); }
    const std::filesystem::path& path() const { return folder; }

private:
    std::filesystem::path folder;
};

}  // namespace testhost
