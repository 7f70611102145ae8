#include "vstgui/CFrame.h"

#include <algorithm>

#include "platform/EditorThread.h"
#include "vst/VSTGUIEditorInterface.h"
#include "vstgui/COffscreenContext.h"
#include "vstgui/ToolkitGlobals.h"

namespace VSTGUI {

namespace {

constexpr char kWindowTitle[] = "Window";

// The thread is prepared for the window layer before the toolkit's globals
// are taken, as the member order requires.
ToolkitGlobals& enterThreadAndAcquireGlobals() {
    platform::enterEditorThread();
    return ToolkitGlobals::acquire();
}

}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor)
    : CViewContainer(size), editor(editor), parentWindow(parentWindow), globals(enterThreadAndAcquireGlobals()) {
    parentFrame = this;
    if (parentWindow)
        window = platform::NativeWindow::createChild(globals.session(), parentWindow, size.width(), size.height(),
                                                     kWindowTitle, *this);
}

CFrame::~CFrame() {
    focusView = nullptr;
    removeAll();
    platform::leaveEditorThread();
    if (backBuffer) backBuffer->dropReference();
    window.reset();
    ToolkitGlobals::release();
}

void CFrame::idle() {
    if (!open || !window) return;
    window->processEvents();
    // Input may have ended the window's life.
    if (!open) return;
    redrawDirtyViews();
    window->paintDirtyAreas();
}

void CFrame::redrawDirtyViews() {
    if (!visible) return;
    if (isDirty()) {
        invalidateArea(size);
        setDirty(false);
        return;
    }
    for (CView* view : children)
        if (view->isVisible() && view->isDirty()) view->invalidate();
}

void CFrame::invalidateArea(const CRect& rect) {
    if (visible && open && window) window->invalidate(rect.toPixels());
}

void CFrame::paintArea(CDrawContext* context, const CRect& rect) {
    drawRect(context, rect);
    setDirty(false);
}

void CFrame::onPaint(platform::Canvas& canvas, const platform::PixelRect& area) {
    if (!backBuffer) backBuffer = new COffscreenContext(size.width(), size.height());
    const CRect rect = CRect::fromPixels(area);
    paintArea(backBuffer, rect);
    auto* windowContext = new CDrawContext(&canvas);
    windowContext->setClipRect(rect);
    backBuffer->getBitmap()->draw(windowContext, rect, {rect.left, rect.top});
    windowContext->dropReference();
}

void CFrame::beginEdit(VstInt32 tag) {
    if (editor) editor->beginEdit(tag);
}

void CFrame::endEdit(VstInt32 tag) {
    if (editor) editor->endEdit(tag);
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView) return;
    CView* old = focusView;
    focusView = view;
    if (view && view->wantsFocus()) view->setDirty(true);
    if (old) {
        if (old->wantsFocus()) old->setDirty(true);
        old->looseFocus();
    }
}

void CFrame::advanceFocus(bool backwards) {
    std::vector<CView*> candidates;
    std::copy_if(children.begin(), children.end(), std::back_inserter(candidates),
                 [](CView* v) { return v->wantsFocus() && v->isVisible(); });
    if (candidates.empty()) return;
    if (backwards) std::reverse(candidates.begin(), candidates.end());
    auto current = std::find(candidates.begin(), candidates.end(), focusView);
    setFocusView(current == candidates.end() || current + 1 == candidates.end() ? candidates.front()
                                                                                 : *(current + 1));
}

VstInt32 CFrame::onKeyDown(VstKeyCode& key) {
    if (focusView && focusView->keyDown(key) != -1) return 1;
    if (key.virt == VKEY_TAB) {
        advanceFocus((key.modifier & MODIFIER_SHIFT) != 0);
        return 1;
    }
    return -1;
}

VstInt32 CFrame::onKeyUp(VstKeyCode& key) {
    return focusView && focusView->keyUp(key) != -1 ? 1 : -1;
}

bool CFrame::onMouseDown(int x, int y, int buttons) {
    CPoint where{x, y};
    mouseDownView = nullptr;
    if (focusView) setFocusView(nullptr);
    return mouseDown(where, buttons) == MouseHandled;
}

void CFrame::onMouseMoved(int x, int y, int buttons) {
    CPoint where{x, y};
    mouseMoved(where, buttons);
}

void CFrame::onMouseUp(int x, int y, int buttons) {
    CPoint where{x, y};
    mouseUp(where, buttons);
}

void CFrame::onWheel(int x, int y, float notches, int buttons) { wheel({x, y}, notches, buttons); }

void CFrame::onDestroyed() {
    open = false;
    parentWindow = nullptr;
}

}  // namespace VSTGUI
