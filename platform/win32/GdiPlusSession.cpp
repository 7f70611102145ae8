// GDI+ runs while the shared window-system state exists, that is while any
// frame or bitmap of the process holds it.
#include "platform/GuiSession.h"
#include "platform/win32/GdiPlus.h"

namespace platform {

namespace {

class GdiPlusSession final : public GuiSession {
public:
    GdiPlusSession() {
        const gdiplus::StartupInput input;
        if (gdiplus::GdiplusStartup(&token, &input, nullptr) != gdiplus::kOk) token = 0;
    }
    // No fonts are cached across drawing contexts, so shutting down is all.
    ~GdiPlusSession() override {
        if (token) gdiplus::GdiplusShutdown(token);
    }

private:
    ULONG_PTR token = 0;
};

}  // namespace

std::unique_ptr<GuiSession> GuiSession::start() { return std::make_unique<GdiPlusSession>(); }

}  // namespace platform
