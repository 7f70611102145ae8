#include "platform/EditorThread.h"

// The X11 layer needs no per-thread set-up, and its frames repaint from their
// own idle, so all three fall away here.
namespace platform {

void enterEditorThread() {}
void leaveEditorThread() {}
void dispatchOnePendingPaint() {}

}  // namespace platform
