#include "render/MidiFileReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/HostError.h"
#include "host/WholeFile.h"
#include "plugin/MidiVocabulary.h"

namespace {

// Nothing a score needs comes near this; it keeps a stray huge file from
// being read into memory.
constexpr std::size_t kMaxFileBytes = 64 * 1024 * 1024;
// A 14-byte header and the 8-byte head of one empty track.
constexpr std::size_t kSmallestFile = 14 + 8;

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// Bounds-checked big-endian reading inside one region of the file. Offsets in
// messages count from the start of the file, so a user can find the spot.
class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> bytes, std::size_t begin, std::size_t end, std::string where)
        : bytes(bytes), pos(begin), end(end), where(std::move(where)) {}

    bool atEnd() const { return pos >= end; }
    std::size_t offset() const { return pos; }

    std::uint8_t byte() {
        if (pos >= end) fail("is truncated: it ends in the middle of an event");
        return bytes[pos++];
    }

    std::uint32_t bigEndian(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 8) | byte();
        return value;
    }

    // Delta times and lengths: at most four bytes, seven bits each.
    std::uint32_t varLength() {
        const std::size_t start = pos;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = byte();
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0) return value;
        }
        fail("variable-length number longer than 4 bytes at byte " + std::to_string(start));
    }

    void skip(std::uint64_t count) {
        if (count > end - pos) fail("is truncated: it ends in the middle of an event");
        pos += static_cast<std::size_t>(count);
    }

    [[noreturn]] void fail(const std::string& problem) const { throw HostError(where + " " + problem); }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t pos;
    std::size_t end;
    std::string where;
};

int dataBytesOf(std::uint8_t status) {
    const int kind = midi::statusKind(status);
    return (kind == midi::kProgramChange || kind == midi::kChannelPressure) ? 1 : 2;
}

struct Track {
    std::vector<MidiMessage> messages;
    std::vector<TempoChange> tempos;
    std::int64_t endTick = 0;
};

constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kSysex = 0xF0;
constexpr std::uint8_t kSysexEscape = 0xF7;

Track readTrack(ByteReader reader, int number) {
    Track track;
    std::int64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!reader.atEnd()) {
        tick += reader.varLength();
        const std::size_t eventOffset = reader.offset();
        const std::uint8_t lead = reader.byte();
        if (lead == kMetaEvent) {
            const std::uint8_t type = reader.byte();
            const std::uint32_t length = reader.varLength();
            if (type == kMetaTempo) {
                if (length != 3)
                    reader.fail("has a tempo event of " + std::to_string(length) + " bytes at byte " +
                                std::to_string(eventOffset) + " (must be 3)");
                track.tempos.push_back({tick, reader.bigEndian(3)});
            } else {
                reader.skip(length);
                if (type == kMetaEndOfTrack) break;
            }
            continue;
        }
        if (lead == kSysex || lead == kSysexEscape) {
            reader.skip(reader.varLength());
            continue;
        }
        if (lead > kSysex)
            reader.fail("has the status byte " + hexByte(lead) + " at byte " + std::to_string(eventOffset) +
                        ", which a MIDI file cannot hold");

        // Running status is kept across meta and system-exclusive events:
        // strict files never rely on that, and no valid file reads differently.
        MidiMessage message;
        message.tick = tick;
        message.track = number;
        std::uint8_t firstData = lead;
        if (lead & 0x80u) {
            runningStatus = lead;
            firstData = reader.byte();
        } else if (runningStatus == 0) {
            reader.fail("has a data byte without a status byte at byte " + std::to_string(eventOffset));
        }
        message.bytes[0] = runningStatus;
        message.bytes[1] = firstData;
        if (dataBytesOf(runningStatus) == 2) message.bytes[2] = reader.byte();
        for (int i = 1; i <= dataBytesOf(runningStatus); ++i)
            if (message.bytes[i] & 0x80u)
                reader.fail("has the status byte " + hexByte(message.bytes[i]) +
                            " where a data byte belongs, at byte " + std::to_string(eventOffset));
        track.messages.push_back(message);
    }
    track.endTick = tick;
    return track;
}

}  // namespace

MidiSequence parseMidiFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0)
        throw HostError("not a Standard MIDI File (no MThd header)");
    if (bytes.size() < kSmallestFile)
        throw HostError("too short for a MIDI file: " + std::to_string(bytes.size()) +
                        " bytes, and a header with one empty track takes " + std::to_string(kSmallestFile));
    ByteReader header(bytes, 4, bytes.size(), "the header");
    const std::uint32_t headerLength = header.bigEndian(4);
    if (headerLength < 6) throw HostError("header is " + std::to_string(headerLength) + " bytes long (must be 6)");
    const std::uint32_t format = header.bigEndian(2);
    const std::uint32_t trackCount = header.bigEndian(2);
    const std::uint32_t division = header.bigEndian(2);
    if (format == 2) throw HostError("format 2 (independent sequences) is not supported");
    if (format > 2) throw HostError("unknown file format " + std::to_string(format));
    if (trackCount == 0) throw HostError("the header announces no tracks");
    if (format == 0 && trackCount != 1)
        throw HostError("format 0 file announces " + std::to_string(trackCount) + " tracks (must be 1)");
    if (division & 0x8000u) throw HostError("SMPTE time division is not supported");
    if (division == 0) throw HostError("time division is 0 ticks per quarter note");

    std::size_t pos = 8 + static_cast<std::size_t>(std::min<std::uint64_t>(headerLength, bytes.size()));
    if (pos > bytes.size()) throw HostError("header is truncated");

    std::vector<Track> tracks;
    while (tracks.size() < trackCount) {
        const std::string where = "track " + std::to_string(tracks.size() + 1);
        if (bytes.size() - pos < 8)
            throw HostError("file is truncated: it ends after " + std::to_string(tracks.size()) + " of " +
                            std::to_string(trackCount) + " tracks");
        ByteReader chunk(bytes, pos + 4, pos + 8, where);
        const std::uint32_t length = chunk.bigEndian(4);
        const std::size_t body = pos + 8;
        if (length > bytes.size() - body)
            throw HostError("file is truncated: " + where + " announces " + std::to_string(length) +
                            " bytes but only " + std::to_string(bytes.size() - body) + " follow");
        // Chunks of other types are allowed and skipped.
        if (std::memcmp(bytes.data() + pos, "MTrk", 4) == 0)
            tracks.push_back(
                readTrack(ByteReader(bytes, body, body + length, where), static_cast<int>(tracks.size()) + 1));
        pos = body + length;
    }

    MidiSequence sequence;
    sequence.ticksPerQuarter = static_cast<int>(division);
    sequence.trackCount = static_cast<int>(tracks.size());
    for (const Track& track : tracks) {
        sequence.messages.insert(sequence.messages.end(), track.messages.begin(), track.messages.end());
        sequence.tempos.insert(sequence.tempos.end(), track.tempos.begin(), track.tempos.end());
        sequence.endTick = std::max(sequence.endTick, track.endTick);
    }
    // Stable: equal ticks stay in track order, then in file order.
    std::stable_sort(sequence.messages.begin(), sequence.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    std::stable_sort(sequence.tempos.begin(), sequence.tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    return sequence;
}

MidiSequence readMidiFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readWholeFile(path, kMaxFileBytes);
    try {
        return parseMidiFile(bytes);
    } catch (const HostError& error) {
        throw fileError(path, error.what());
    }
}
