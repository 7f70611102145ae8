#include "render/WavWriter.h"

#include <algorithm>
#include <cerrno>

#include "host/HostError.h"

namespace {

int sampleFormat(int bits) {
    if (bits == 16) return SF_FORMAT_PCM_16;
    return bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
}

constexpr std::int64_t kChunkFrames = 4096;

}  // namespace

WavWriter::WavWriter(const std::string& path, int bits, int rate) : file(path), dithered(bits == 16) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | sampleFormat(bits);
    sound = sf_open_fd(file.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!sound) throw fileError(path, std::string("cannot write: ") + sf_strerror(nullptr));
    // The peak chunk carries a time stamp: without it the same render gives
    // the same bytes. Integer formats saturate instead of wrapping at full scale.
    sf_command(sound, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    sf_command(sound, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    interleaved.resize(2 * kChunkFrames);
    if (dithered) interleavedShort.resize(2 * kChunkFrames);
}

void WavWriter::failWriting() {
    const std::string problem =
        errno == ENOSPC ? std::string("no space left on the device") : std::string(sf_strerror(sound));
    throw fileError(file.destination(), "cannot write: " + problem);
}

WavWriter::~WavWriter() {
    if (sound) sf_close(sound);
}

void WavWriter::write(const float* left, const float* right, std::int64_t frames) {
    while (frames > 0) {
        const std::int64_t count = std::min(frames, kChunkFrames);
        errno = 0;
        if (dithered) {
            for (std::int64_t i = 0; i < count; ++i) {
                interleavedShort[2 * i] = dither.quantize(left[i]);
                interleavedShort[2 * i + 1] = dither.quantize(right[i]);
            }
            if (sf_writef_short(sound, interleavedShort.data(), count) != count) failWriting();
        } else {
            for (std::int64_t i = 0; i < count; ++i) {
                interleaved[2 * i] = left[i];
                interleaved[2 * i + 1] = right[i];
            }
            if (sf_writef_float(sound, interleaved.data(), count) != count) failWriting();
        }
        left += count;
        right += count;
        frames -= count;
    }
}

void WavWriter::commit() {
    errno = 0;
    sf_write_sync(sound);
    const int status = sf_close(sound);
    sound = nullptr;
    if (status != 0)
        throw fileError(file.destination(),
                        std::string("cannot write: ") +
                            (errno == ENOSPC ? "no space left on the device" : sf_error_number(status)));
    file.commit(false);
}
