// The handle of the module this code was linked into, for its resources and
// window class. The module's load hook stores it before any other call.
#pragma once

namespace platform {

void rememberModuleHandle(void* module);
// Null before the load hook ran, which the system reads as the program itself.
void* moduleHandle();

}  // namespace platform
