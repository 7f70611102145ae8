#include "tests/support/SystemDifferences.h"

#include <windows.h>

#include <algorithm>

namespace testhost {

bool systemDecodesPictures() { return true; }

bool modulesCarryBitmapResources() { return true; }

ProcessorLimit::ProcessorLimit(int) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    count = std::clamp(static_cast<int>(info.dwNumberOfProcessors), 1, 16);
    applied = true;
}

ProcessorLimit::~ProcessorLimit() = default;

bool ProcessorLimit::restore() {
    restored = true;
    return true;
}

}  // namespace testhost
