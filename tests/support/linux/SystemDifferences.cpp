#include "tests/support/SystemDifferences.h"

#include <sched.h>

namespace testhost {

bool systemDecodesPictures() { return false; }

bool modulesCarryBitmapResources() { return false; }

ProcessorLimit::ProcessorLimit(int wanted) {
    cpu_set_t mask;
    if (sched_getaffinity(0, sizeof mask, &mask) != 0) return;
    cpu_set_t narrower;
    CPU_ZERO(&narrower);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &mask)) continue;
        original.push_back(cpu);
        if (count < wanted) {
            CPU_SET(cpu, &narrower);
            ++count;
        }
    }
    applied = sched_setaffinity(0, sizeof narrower, &narrower) == 0;
}

ProcessorLimit::~ProcessorLimit() { restore(); }

bool ProcessorLimit::restore() {
    if (restored) return true;
    cpu_set_t mask;
    CPU_ZERO(&mask);
    for (int cpu : original) CPU_SET(cpu, &mask);
    restored = sched_setaffinity(0, sizeof mask, &mask) == 0;
    return restored;
}

}  // namespace testhost
