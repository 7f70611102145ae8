// A one-line progress bar on a terminal: through the sequence, then the tail.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressMeter {
public:
    ProgressMeter(std::FILE* terminal, std::int64_t sequenceFrames);
    void update(std::int64_t framesRendered);
    // Clears the bar's line so the summary starts on a clean one.
    void finish();

private:
    std::FILE* terminal;
    std::int64_t sequenceFrames;
    std::chrono::steady_clock::time_point lastDrawn{};
    bool drawn = false;
};
