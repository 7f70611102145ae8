#include "vstgui/CView.h"

#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"

namespace VSTGUI {

CView::CView(const CRect& size) : size(size) {}

CView::~CView() {
    if (background) background->dropReference();
}

void CView::draw(CDrawContext* context) {
    if (background) background->draw(context, size);
    setDirty(false);
}

void CView::invalidate() {
    setDirty(false);
    if (parentFrame) parentFrame->invalidateArea(size);
}

MouseResult CView::mouseDown(CPoint&, int) { return MouseNotHandled; }
MouseResult CView::mouseUp(CPoint&, int) { return MouseNotHandled; }
MouseResult CView::mouseMoved(CPoint&, int) { return MouseNotHandled; }
bool CView::wheel(const CPoint&, float, int) { return false; }
int CView::keyDown(VstKeyCode&) { return -1; }
int CView::keyUp(VstKeyCode&) { return -1; }

void CView::attached(CViewContainer* parent, CFrame* frame) {
    parentView = parent;
    parentFrame = frame;
}

void CView::removed() {
    parentView = nullptr;
    parentFrame = nullptr;
}

void CView::setBackground(CBitmap* bitmap) {
    if (background) background->dropReference();
    background = bitmap;
    if (background) background->addReference();
    setDirty(true);
}

}  // namespace VSTGUI
