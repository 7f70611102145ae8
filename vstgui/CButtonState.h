// Mouse button and modifier flags, and what a view answers to a mouse event.
#pragma once

#include "platform/NativeWindow.h"

namespace VSTGUI {

// The window layer reports buttons with these same values.
enum CButtonState : int {
    kLButton = platform::kMouseLeft,
    kMButton = platform::kMouseMiddle,
    kRButton = platform::kMouseRight,
    kShift = platform::kMouseShift,
    kControl = platform::kMouseControl,
    kAlt = platform::kMouseAlt,
    kButton4 = platform::kMouseButton4,
    kButton5 = platform::kMouseButton5,
    kDoubleClick = platform::kMouseDoubleClick,
};

// Any of these held at a press lets the listener take the click first.
constexpr int kModifierMask = 0xF0;

enum MouseResult : int {
    MouseHandled = 1,  // keep sending moves and the release to this view
    MouseNotHandled = 2,
    MouseHandledDone = 3,  // handled; no moves or release wanted
};

}  // namespace VSTGUI
