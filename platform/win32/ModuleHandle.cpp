#include "platform/win32/ModuleHandle.h"

namespace platform {

namespace {

void* storedModule = nullptr;

}  // namespace

void rememberModuleHandle(void* module) { storedModule = module; }

void* moduleHandle() { return storedModule; }

}  // namespace platform
