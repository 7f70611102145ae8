// A picture loaded from the module's "DATA" resources (or a blank surface for
// offscreen drawing), drawn unscaled with its own alpha.
#pragma once

#include <string>

#include "platform/Image.h"
#include "vstgui/CBaseObject.h"
#include "vstgui/CRect.h"

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CBaseObject {
public:
    // A missing or undecodable resource leaves an empty 0 x 0 bitmap.
    explicit CBitmap(const char* resourceName);
    // A transparent surface of that size, for an offscreen context.
    CBitmap(int width, int height);
    ~CBitmap() override;

    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = {});
    virtual void drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset = {});
    // Copies the region of the picture at offset with the size of rect into
    // rect, blended by the picture's alpha times alpha / 255.
    virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset,
                                unsigned char alpha);
    virtual void dispose();
    virtual bool loadFromResource(const char* resourceName);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const std::string& getResourceName() const { return resourceName; }
    platform::Image& image() { return picture; }

private:
    std::string resourceName;
    int width = 0;
    int height = 0;
    platform::Image picture;
};

}  // namespace VSTGUI
