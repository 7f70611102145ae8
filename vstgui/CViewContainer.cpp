#include "vstgui/CViewContainer.h"

#include "vstgui/CBitmap.h"
#include "vstgui/CControl.h"
#include "vstgui/CControlListener.h"
#include "vstgui/CDrawContext.h"

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() { removeAll(); }

bool CViewContainer::addView(CView* view) {
    if (!view || view->isAttached()) return false;
    children.push_back(view);
    view->addReference();
    view->attached(this, getFrame());
    view->invalidate();
    return true;
}

void CViewContainer::removeAll() {
    mouseDownView = nullptr;
    std::vector<CView*> removing;
    removing.swap(children);
    for (CView* view : removing) {
        view->removed();
        view->dropReference();
        view->dropReference();
    }
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& rect) {
    const CRect area = rect.intersected(context->getArea());
    context->setClipRect(area);
    if (!area.isEmpty()) {
        if (background)
            background->draw(context, {0, 0, background->getWidth(), background->getHeight()});
        else
            context->fillRect(area, backgroundColor);
        for (CView* view : children) {
            if (!view->isVisible() || !view->getViewSize().rectOverlap(area)) continue;
            context->setClipRect(view->getViewSize().intersected(area));
            view->draw(context);
        }
    }
    context->resetClipRect();
}

CView* CViewContainer::viewAt(const CPoint& where) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* view = *it;
        if (view->isVisible() && view->getMouseEnabled() && view->getViewSize().pointInside(where)) return view;
    }
    return nullptr;
}

MouseResult CViewContainer::mouseDown(CPoint& where, int buttons) {
    CView* view = viewAt(where);
    if (!view) return MouseNotHandled;
    if (buttons & kModifierMask) {
        auto* control = dynamic_cast<CControl*>(view);
        if (control && control->getListener() && control->getListener()->onModifierClick(control, buttons) != 0)
            return MouseHandled;
    }
    const MouseResult result = view->mouseDown(where, buttons);
    if (result == MouseHandled) mouseDownView = view;
    return result;
}

MouseResult CViewContainer::mouseMoved(CPoint& where, int buttons) {
    if (!mouseDownView) return MouseNotHandled;
    const MouseResult result = mouseDownView->mouseMoved(where, buttons);
    if (result != MouseHandled) mouseDownView = nullptr;
    return result;
}

MouseResult CViewContainer::mouseUp(CPoint& where, int buttons) {
    if (!mouseDownView) return MouseNotHandled;
    CView* view = mouseDownView;
    mouseDownView = nullptr;
    view->mouseUp(where, buttons);
    return MouseHandled;
}

bool CViewContainer::wheel(const CPoint& where, float distance, int buttons) {
    // No wheel during a drag.
    if (mouseDownView) return false;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if ((*it)->isVisible() && (*it)->getViewSize().pointInside(where))
            return (*it)->wheel(where, distance, buttons);
    return false;
}

}  // namespace VSTGUI
