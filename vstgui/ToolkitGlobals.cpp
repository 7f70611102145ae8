#include "vstgui/ToolkitGlobals.h"

#include <mutex>

namespace VSTGUI {

namespace {

std::mutex globalsMutex;
ToolkitGlobals* globals = nullptr;
int holders = 0;

}  // namespace

ToolkitGlobals::ToolkitGlobals() : guiSession(platform::GuiSession::start()) {}

ToolkitGlobals& ToolkitGlobals::acquire() {
    std::lock_guard lock(globalsMutex);
    if (!globals) globals = new ToolkitGlobals;
    ++holders;
    return *globals;
}

void ToolkitGlobals::release() {
    std::lock_guard lock(globalsMutex);
    if (holders == 0 || --holders > 0) return;
    delete globals;
    globals = nullptr;
}

int ToolkitGlobals::holderCount() {
    std::lock_guard lock(globalsMutex);
    return holders;
}

}  // namespace VSTGUI
