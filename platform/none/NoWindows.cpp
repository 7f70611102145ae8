// The window layer of a build that has none: every request for a window is
// refused, so an editor never opens; pictures decode to nothing.
#include "platform/Canvas.h"
#include "platform/GuiSession.h"
#include "platform/Image.h"
#include "platform/NativeWindow.h"

namespace platform {

struct Image::Pixels {};

Image::Image() = default;
Image::Image(std::unique_ptr<Pixels> decoded) : pixels(std::move(decoded)) {}
Image::~Image() = default;
Image::Image(Image&&) noexcept = default;
Image& Image::operator=(Image&&) noexcept = default;

Image Image::decode(ByteReader&) { return {}; }
Image Image::fromStandardBitmap(const char*) { return {}; }
Image Image::blank(int, int) { return {}; }
int Image::width() const { return 0; }
int Image::height() const { return 0; }
std::uint32_t Image::pixelAt(int, int) const { return 0; }

std::unique_ptr<Canvas> createImageCanvas(Image&) { return nullptr; }

namespace {

class NoSession final : public GuiSession {};

}  // namespace

std::unique_ptr<GuiSession> GuiSession::start() { return std::make_unique<NoSession>(); }

bool NativeWindow::canCreateWindows() { return false; }

std::unique_ptr<NativeWindow> NativeWindow::createChild(GuiSession&, void*, int, int, const char*,
                                                        WindowEventHandler&) {
    return nullptr;
}

}  // namespace platform
