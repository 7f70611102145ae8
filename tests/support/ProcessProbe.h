// What the tests read of this process from outside the code under test:
// open handles, the allocator's bytes in use, whether a module is loaded.
#pragma once

// Open file descriptors (Linux) or kernel handles (Windows).
int openHandleCount();

// Bytes the allocator has handed out and not had back, over every heap.
long long heapBytesInUse();

// Whether the module at path is still mapped into the process.
bool moduleIsLoaded(const char* path);
