// The editor's own window inside the host's window: mouse input, repaint
// requests and painting. All calls come from the host's window thread.
#pragma once

#include <memory>

#include "platform/Canvas.h"
#include "platform/GuiSession.h"
#include "platform/PixelRect.h"

namespace platform {

// Button and modifier flags as the view layer uses them.
enum MouseFlags : int {
    kMouseLeft = 0x2,
    kMouseMiddle = 0x4,
    kMouseRight = 0x8,
    kMouseShift = 0x10,
    kMouseControl = 0x20,
    kMouseAlt = 0x40,
    kMouseButton4 = 0x100,
    kMouseButton5 = 0x200,
    kMouseDoubleClick = 0x400,
};

class WindowEventHandler {
public:
    virtual ~WindowEventHandler() = default;
    // Answers whether the press was taken; a taken press owns the pointer
    // until its release.
    virtual bool onMouseDown(int x, int y, int buttons) = 0;
    virtual void onMouseMoved(int x, int y, int buttons) = 0;
    virtual void onMouseUp(int x, int y, int buttons) = 0;
    virtual void onWheel(int x, int y, float notches, int buttons) = 0;
    virtual void onPaint(Canvas& canvas, const PixelRect& area) = 0;
    // The window is gone (its parent was destroyed); no event follows.
    virtual void onDestroyed() = 0;
};

class NativeWindow {
public:
    virtual ~NativeWindow() = default;

    // False in a build without a window layer: no window can ever be made.
    static bool canCreateWindows();

    // A borderless child of parent at (0, 0), or null when parent is null or
    // is not a usable window.
    static std::unique_ptr<NativeWindow> createChild(GuiSession& session, void* parent, int width, int height,
                                                     const char* title, WindowEventHandler& handler);

    // Handles whatever input and exposure has arrived, without waiting.
    virtual void processEvents() = 0;
    // Repaints the areas invalidated or exposed since the last paint.
    virtual void paintDirtyAreas() = 0;
    virtual void invalidate(const PixelRect& area) = 0;
    virtual void* nativeHandle() const = 0;
};

}  // namespace platform
