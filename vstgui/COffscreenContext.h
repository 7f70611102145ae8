// A drawing context whose pixels live in its own bitmap.
#pragma once

#include <memory>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"

namespace VSTGUI {

class COffscreenContext : public CDrawContext {
public:
    COffscreenContext(int width, int height);
    ~COffscreenContext() override;

    CBitmap* getBitmap() const { return bitmap; }

private:
    CBitmap* bitmap;
    std::unique_ptr<platform::Canvas> bitmapCanvas;
};

}  // namespace VSTGUI
