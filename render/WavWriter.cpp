#include "render/WavWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/HostError.h"

namespace {

int sampleFormat(int bits) {
    if (bits == 16) return SF_FORMAT_PCM_16;
    return bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
}

constexpr std::int64_t kChunkFrames = 4096;

std::uint32_t littleEndian32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void appendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// libsndfile writes a float fmt chunk without the extension size (cbSize) that
// every non-PCM format carries, and sox warns of that. The header it writes
// keeps the room of the peak chunk we leave out in a PAD chunk before the
// data: two bytes of that room become a cbSize of 0, so the samples stay put.
// A header laid out otherwise is left as it is. False when it cannot be read
// or written.
bool addExtensionSize(int fd) {
    std::uint8_t header[512];
    const ssize_t got = ::pread(fd, header, sizeof header, 0);
    if (got < 12) return false;
    const auto length = static_cast<std::size_t>(got);
    std::vector<std::uint8_t> rebuilt(header, header + 12);
    bool widened = false, narrowed = false;
    std::size_t at = 12;
    while (at + 8 <= length && std::memcmp(header + at, "data", 4) != 0) {
        const std::uint32_t size = littleEndian32(header + at + 4);
        if (size % 2 != 0 || size > length - at - 8) return true;
        std::uint32_t newSize = size;
        if (std::memcmp(header + at, "fmt ", 4) == 0 && size == 16) newSize = 18, widened = true;
        if (std::memcmp(header + at, "PAD ", 4) == 0 && size >= 2 && !narrowed) newSize = size - 2, narrowed = true;
        rebuilt.insert(rebuilt.end(), header + at, header + at + 4);
        appendLittleEndian32(rebuilt, newSize);
        rebuilt.insert(rebuilt.end(), header + at + 8, header + at + 8 + std::min(size, newSize));
        rebuilt.resize(rebuilt.size() + (newSize - std::min(size, newSize)), 0);
        at += 8 + size;
    }
    if (!widened || !narrowed) return true;
    return ::pwrite(fd, rebuilt.data(), rebuilt.size(), 0) == static_cast<ssize_t>(rebuilt.size());
}

}  // namespace

WavWriter::WavWriter(const std::string& path, int bits, int rate)
    : file(path), dithered(bits == 16), floating(bits == 32) {
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
    if (floating && !addExtensionSize(file.descriptor()))
        throw fileError(file.destination(), std::string("cannot write: ") + std::strerror(errno));
    file.commit(false);
}
