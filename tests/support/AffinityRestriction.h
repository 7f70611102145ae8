// Restricts the calling thread to some of its processors, as a launch under a
// narrower mask would, and puts the original mask back afterwards.
#pragma once

#include <gtest/gtest.h>
#include <sched.h>

#include <vector>

namespace testhost {

class AffinityRestriction {
public:
    AffinityRestriction() { EXPECT_EQ(sched_getaffinity(0, sizeof original, &original), 0); }
    ~AffinityRestriction() { EXPECT_EQ(sched_setaffinity(0, sizeof original, &original), 0); }

    std::vector<int> allowed() const {
        std::vector<int> cpus;
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &original)) {
                cpus.push_back(cpu);
            }
        }
        return cpus;
    }

    void limitTo(const std::vector<int>& cpus) const {
        cpu_set_t mask;
        CPU_ZERO(&mask);
        for (int cpu : cpus) {
            CPU_SET(cpu, &mask);
        }
        ASSERT_EQ(sched_setaffinity(0, sizeof mask, &mask), 0);
    }

private:
    cpu_set_t original;
};

}  // namespace testhost
