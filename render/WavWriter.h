// A stereo WAV file of 16-bit (dithered), 24-bit or 32-bit float samples,
// which appears under its name only after commit().
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

#include "host/ReplacingFile.h"
#include "render/AudioSink.h"
#include "render/TpdfDither.h"

class WavWriter : public AudioSink {
public:
    // bits is 16, 24 or 32 (float). Throws a HostError naming the file.
    WavWriter(const std::string& path, int bits, int rate);
    ~WavWriter() override;

    void write(const float* left, const float* right, std::int64_t frames) override;
    void commit();

private:
    [[noreturn]] void failWriting();

    ReplacingFile file;
    SNDFILE* sound = nullptr;
    bool dithered;
    bool floating;
    TpdfDither dither;
    std::vector<float> interleaved;
    std::vector<std::int16_t> interleavedShort;
};
