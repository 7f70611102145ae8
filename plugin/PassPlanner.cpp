#include "plugin/PassPlanner.h"

#include <algorithm>

namespace {

// Starting guesses, from the benchmarks: 0.2 ns per point and frame, 15 µs a
// pass; a break-even near 150,000 with two workers.
constexpr double kFirstSecondsPerWork = 0.2e-9;
constexpr double kFirstPassOverhead = 15e-6;

// Each measurement moves the estimates by a sixteenth of the difference, and
// counts for at most four times the estimate: a block preempted by the system
// must not swing the decision.
constexpr double kWeight = 1.0 / 16;
constexpr double kMostAboveEstimate = 4;

// Blocks this light time too coarsely to tell the rate.
constexpr std::int64_t kLeastTimedWork = 20000;

// One block in this many whose work is at least a quarter of the break-even
// takes a pass anyway, so that a machine whose passes became cheaper is noticed.
constexpr int kProbeInterval = 128;

double blend(double estimate, double measured) {
    return estimate + (std::min(measured, kMostAboveEstimate * estimate) - estimate) * kWeight;
}

}  // namespace

PassPlanner::PassPlanner(int workers)
    : workers(workers), secondsPerWork(kFirstSecondsPerWork), passOverhead(kFirstPassOverhead) {
    update();
}

void PassPlanner::update() {
    const double savedShare = 1.0 - 1.0 / workers;
    breakEvenWork = workers > 1 ? passOverhead / (secondsPerWork * savedShare) : 0;
}

bool PassPlanner::worthAPass(std::int64_t work) {
    if (workers == 1) return false;
    const auto amount = static_cast<double>(work);
    if (amount >= breakEvenWork) return true;
    if (amount * 4 < breakEvenWork || ++sinceProbe < kProbeInterval) return false;
    sinceProbe = 0;
    return true;
}

void PassPlanner::renderedAlone(std::int64_t work, double seconds) {
    if (work < kLeastTimedWork) return;
    // Never zero: a coarse clock may time a block as taking no time at all.
    secondsPerWork = std::max(blend(secondsPerWork, seconds / static_cast<double>(work)), 1e-13);
    update();
}

void PassPlanner::renderedInAPass(std::int64_t work, double seconds) {
    const double callerShare = static_cast<double>(work) * secondsPerWork / workers;
    // Never below a microsecond, so that the estimate can always grow again.
    passOverhead = std::max(blend(passOverhead, std::max(seconds - callerShare, 0.0)), 1e-6);
    update();
}
