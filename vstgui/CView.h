// The base of everything shown in the editor: a rectangle in its container,
// drawing, dirty tracking, and the mouse, wheel and key entry points.
#pragma once

#include "vst/VstInterface.h"
#include "vstgui/CBaseObject.h"
#include "vstgui/CButtonState.h"
#include "vstgui/CRect.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;
class CViewContainer;

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual bool isDirty() const { return dirty; }
    virtual void setDirty(bool state = true) { dirty = state; }
    // Clears the dirty state and asks the frame to repaint the view's area.
    virtual void invalidate();

    virtual MouseResult mouseDown(CPoint& where, int buttons);
    virtual MouseResult mouseUp(CPoint& where, int buttons);
    virtual MouseResult mouseMoved(CPoint& where, int buttons);
    // distance in wheel notches; answers whether the view used it.
    virtual bool wheel(const CPoint& where, float distance, int buttons);
    // 1 when handled, -1 when not.
    virtual int keyDown(VstKeyCode& key);
    virtual int keyUp(VstKeyCode& key);
    virtual void looseFocus() {}

    // Called by the container that takes the view.
    virtual void attached(CViewContainer* parent, CFrame* frame);
    virtual void removed();

    virtual void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }

    const CRect& getViewSize() const { return size; }
    bool isVisible() const { return visible; }
    bool getMouseEnabled() const { return mouseEnabled; }
    void setMouseEnabled(bool state) { mouseEnabled = state; }
    bool wantsFocus() const { return focusWanted; }
    bool isAttached() const { return parentView != nullptr; }
    CFrame* getFrame() const { return parentFrame; }

protected:
    CRect size;
    CFrame* parentFrame = nullptr;
    CViewContainer* parentView = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool visible = true;
    bool focusWanted = false;
    CBitmap* background = nullptr;
};

}  // namespace VSTGUI
