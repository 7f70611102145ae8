// The window system state shared by every editor window of the process: it
// exists while at least one holder keeps it.
#pragma once

#include <memory>

namespace platform {

class GuiSession {
public:
    virtual ~GuiSession() = default;
    static std::unique_ptr<GuiSession> start();
};

}  // namespace platform
