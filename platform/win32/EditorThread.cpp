// An editor thread needs OLE for drag and drop, and idle pacing lets one
// pending paint of the thread's windows through.
#include "platform/EditorThread.h"

#include <windows.h>

#include <ole2.h>

namespace platform {

void enterEditorThread() { OleInitialize(nullptr); }

void leaveEditorThread() { OleUninitialize(); }

void dispatchOnePendingPaint() {
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
}

void pauseEditorThread(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace platform
