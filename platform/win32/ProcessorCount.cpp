#include "platform/ProcessorCount.h"

#include <windows.h>

std::int32_t processorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<std::int32_t>(info.dwNumberOfProcessors) : 1;
}
