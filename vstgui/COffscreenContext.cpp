#include "vstgui/COffscreenContext.h"

namespace VSTGUI {

COffscreenContext::COffscreenContext(int width, int height)
    : CDrawContext(nullptr),
      bitmap(new CBitmap(width, height)),
      bitmapCanvas(platform::createImageCanvas(bitmap->image())) {
    setCanvas(bitmapCanvas.get());
}

COffscreenContext::~COffscreenContext() {
    bitmapCanvas.reset();
    bitmap->dropReference();
}

}  // namespace VSTGUI
