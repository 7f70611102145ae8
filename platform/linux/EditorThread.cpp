#include "platform/EditorThread.h"

#include <time.h>

// The X11 layer needs no per-thread set-up, and its frames repaint from their
// own idle, so the first three fall away here.
namespace platform {

void enterEditorThread() {}
void leaveEditorThread() {}
void dispatchOnePendingPaint() {}

void pauseEditorThread(int milliseconds) {
    timespec left{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0) {
    }
}

}  // namespace platform
