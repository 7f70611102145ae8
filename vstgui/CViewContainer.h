// A view holding child views in the order they were added; later children
// lie on top and so get the mouse first.
#pragma once

#include <cstdint>
#include <vector>

#include "vstgui/CView.h"

namespace VSTGUI {

class CViewContainer : public CView {
public:
    explicit CViewContainer(const CRect& size);
    ~CViewContainer() override;

    // Takes over the caller's reference; refuses null and attached views.
    virtual bool addView(CView* view);
    // Drops both the container's and the creator's reference of every child.
    virtual void removeAll();

    void setBackgroundColor(std::uint32_t argb) { backgroundColor = argb; }

    MouseResult mouseDown(CPoint& where, int buttons) override;
    MouseResult mouseUp(CPoint& where, int buttons) override;
    MouseResult mouseMoved(CPoint& where, int buttons) override;
    bool wheel(const CPoint& where, float distance, int buttons) override;

protected:
    // Background, then every child that meets rect, each clipped to it.
    void drawRect(CDrawContext* context, const CRect& rect);
    CView* viewAt(const CPoint& where) const;

    std::vector<CView*> children;
    std::uint32_t backgroundColor = 0xFF000000u;
    CView* mouseDownView = nullptr;
};

}  // namespace VSTGUI
