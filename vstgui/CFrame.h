// The root of the editor's views and the owner of its window inside the
// host's window: turns window input into view events and keeps the picture
// up to date from the host's idle calls.
#pragma once

#include <memory>

#include "platform/NativeWindow.h"
#include "vst/EditorFrame.h"
#include "vstgui/CViewContainer.h"

class VSTGUIEditorInterface;

namespace VSTGUI {

class COffscreenContext;
class ToolkitGlobals;

class CFrame : public CViewContainer, public EditorFrame, private platform::WindowEventHandler {
public:
    // Creates the window inside parentWindow unless that is null (or not a
    // usable window): then the frame exists but shows and receives nothing.
    CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;

    void idle() override;
    void redrawDirtyViews();
    void invalidateArea(const CRect& rect);
    void paintArea(CDrawContext* context, const CRect& rect);

    void beginEdit(VstInt32 tag);
    void endEdit(VstInt32 tag);

    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }
    VstInt32 onKeyDown(VstKeyCode& key) override;
    VstInt32 onKeyUp(VstKeyCode& key) override;

    VSTGUIEditorInterface* getEditor() const { return editor; }
    bool isOpen() const { return open; }
    void* getParentWindow() const { return parentWindow; }
    void* getSystemWindow() const { return window ? window->nativeHandle() : nullptr; }

private:
    bool onMouseDown(int x, int y, int buttons) override;
    void onMouseMoved(int x, int y, int buttons) override;
    void onMouseUp(int x, int y, int buttons) override;
    void onWheel(int x, int y, float notches, int buttons) override;
    void onPaint(platform::Canvas& canvas, const platform::PixelRect& area) override;
    void onDestroyed() override;

    void advanceFocus(bool backwards);

    VSTGUIEditorInterface* editor;
    void* parentWindow;
    CView* focusView = nullptr;
    bool open = true;
    ToolkitGlobals& globals;
    std::unique_ptr<platform::NativeWindow> window;
    COffscreenContext* backBuffer = nullptr;
};

}  // namespace VSTGUI
