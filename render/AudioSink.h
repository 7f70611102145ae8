// Where rendered stereo audio goes, a block at a time.
#pragma once

#include <cstdint>

class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual void write(const float* left, const float* right, std::int64_t frames) = 0;
};
