#include "platform/ProcessorCount.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/AffinityRestriction.h"

// Built for Linux only: only the Linux count follows the affinity mask;
// Windows reports the machine's processors.
namespace {

TEST(ProcessorCount, FollowsTheAffinityMask) {
    testhost::AffinityRestriction restriction;
    const std::vector<int> allowed = restriction.allowed();
    ASSERT_FALSE(allowed.empty());
    EXPECT_EQ(processorCount(), static_cast<int>(allowed.size()));

    for (std::size_t n = 1; n <= allowed.size(); ++n) {
        restriction.limitTo({allowed.begin(), allowed.begin() + n});
        EXPECT_EQ(processorCount(), static_cast<int>(n));
    }
}

}  // namespace
