// What the window system asks of the thread an editor runs on.
#pragma once

namespace platform {

// Once per editor (and per frame) on the window thread: prepares it for the
// window layer's drag and drop support, and undoes that again.
void enterEditorThread();
void leaveEditorThread();

// Lets at most one pending repaint of the calling thread's windows happen,
// for a caller that keeps the editor alive through a long operation.
void dispatchOnePendingPaint();

// Sleeps the calling thread, with the system's own call: a host's thread
// must not pick up state of this module's thread library that would outlive
// the module.
void pauseEditorThread(int milliseconds);

}  // namespace platform
