// A stereo 44.1 kHz WAV file of 16-bit, 24-bit or 32-bit float samples, which
// appears under its name only after commit().
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

#include "tools/AudioSink.h"
#include "tools/ReplacingFile.h"

class WavWriter : public AudioSink {
public:
    // bits is 16, 24 or 32 (float). Throws a RenderError naming the file.
    WavWriter(const std::string& path, int bits);
    ~WavWriter() override;

    void write(const float* left, const float* right, std::int64_t frames) override;
    void commit();

private:
    ReplacingFile file;
    SNDFILE* sound = nullptr;
    std::vector<float> interleaved;
};
