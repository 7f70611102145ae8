// The window system state shared by all frames and bitmaps of the process:
// created by the first holder, released with the last one.
#pragma once

#include <memory>

#include "platform/GuiSession.h"

namespace VSTGUI {

class ToolkitGlobals {
public:
    // Each call adds a reference (creating the state if there is none);
    // release drops it. Safe from any thread.
    static ToolkitGlobals& acquire();
    static void release();

    platform::GuiSession& session() { return *guiSession; }

    // Holders currently alive in the process; 0 when the state is gone.
    static int holderCount();

private:
    ToolkitGlobals();
    std::unique_ptr<platform::GuiSession> guiSession;
};

}  // namespace VSTGUI
