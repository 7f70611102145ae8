#include "render/ProgressMeter.h"

#include <algorithm>

#include "render/EventTimeline.h"

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

double seconds(std::int64_t frames) { return static_cast<double>(frames) / kRenderRate; }

}  // namespace

ProgressMeter::ProgressMeter(std::FILE* terminal, std::int64_t sequenceFrames)
    : terminal(terminal), sequenceFrames(sequenceFrames) {}

void ProgressMeter::update(std::int64_t framesRendered) {
    const auto now = std::chrono::steady_clock::now();
    if (drawn && now - lastDrawn < kRedrawInterval) return;
    lastDrawn = now;
    drawn = true;
    if (framesRendered <= sequenceFrames && sequenceFrames > 0) {
        const int filled = static_cast<int>(kBarWidth * framesRendered / sequenceFrames);
        char bar[kBarWidth + 1];
        std::fill(bar, bar + kBarWidth, ' ');
        std::fill(bar, bar + filled, '#');
        bar[kBarWidth] = 0;
        std::fprintf(terminal, "\r[%s] %6.1f / %.1f s ", bar, seconds(framesRendered), seconds(sequenceFrames));
    } else {
        std::fprintf(terminal, "\r[%*s] tail %5.1f s, waiting for silence ", kBarWidth, "",
                     seconds(framesRendered - sequenceFrames));
    }
    std::fflush(terminal);
}

void ProgressMeter::finish() {
    if (!drawn) return;
    std::fprintf(terminal, "\r\033[K");
    std::fflush(terminal);
}
