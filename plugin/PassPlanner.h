// Whether a block's work is worth a pass of the worker pool. Waking the
// workers costs a few microseconds on an idle machine and tens under a busy
// hypervisor; the work itself (sounding string points × frames) costs the
// calling thread a time that depends on the processor. Both are measured as
// blocks are rendered, so the workers are woken only where that saves time
// on this machine. Which thread renders a key changes none of its samples.
#pragma once

#include <cstdint>

class PassPlanner {
public:
    // With one worker there is never a pass.
    explicit PassPlanner(int workers);

    bool worthAPass(std::int64_t work);
    void renderedAlone(std::int64_t work, double seconds);
    void renderedInAPass(std::int64_t work, double seconds);

    // The work from which a pass saves time, as measured so far.
    double breakEven() const { return breakEvenWork; }

private:
    void update();

    int workers;
    double secondsPerWork;  // on the calling thread alone
    double passOverhead;    // what a pass takes beyond the caller's share of the work
    double breakEvenWork = 0;
    int sinceProbe = 0;
};
