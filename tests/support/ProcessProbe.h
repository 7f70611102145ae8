// What the tests read of this process from outside the code under test:
// open handles, the allocator's bytes in use, whether a module is loaded.
#pragma once

#include <memory>

// Open file descriptors (Linux) or kernel handles (Windows).
int openHandleCount();

// Bytes the allocator has handed out and not had back, over every heap.
long long heapBytesInUse();

// Whether the module at path is still mapped into the process.
bool moduleIsLoaded(const char* path);

// Handles that every load and unload of a DLL of this toolchain leaves
// behind, whatever the DLL does; 0 where there is no such fault.
int handlesKeptPerLoadByTheToolchain();

// Keeps loaded, while the answer lives, the libraries a host's own toolkit
// would (Linux: the drawing libraries), so that unloading the module does
// not unload them with it.
std::shared_ptr<void> holdHostsOwnLibraries();
