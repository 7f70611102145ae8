#include "render/PartSelection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>

#include "host/UsageError.h"
#include "plugin/MidiVocabulary.h"

namespace {

constexpr int kDrumChannel = 9;  // channel 10

bool isStrike(const MidiMessage& message) {
    return midi::statusKind(message.bytes[0]) == midi::kNoteOn && message.bytes[2] != 0;
}

UsageError badList(const std::string& text, const char* option, int highest) {
    return UsageError(std::string(option) + " wants numbers from 1 to " + std::to_string(highest) +
                      " such as 1,3-5, or 'all', not '" + text + "'");
}

int numberIn(const std::string& text, std::size_t& pos, const char* option, int highest) {
    const char* start = text.c_str() + pos;
    if (*start < '0' || *start > '9') throw badList(text, option, highest);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(start, &end, 10);
    if (errno != 0 || value < 1 || value > highest) throw badList(text, option, highest);
    pos += static_cast<std::size_t>(end - start);
    return static_cast<int>(value);
}

// MIDI channel numbers, from 1.
std::vector<int> channelsIn(const std::bitset<16>& channels) {
    std::vector<int> numbers;
    for (int c = 0; c < 16; ++c)
        if (channels.test(c)) numbers.push_back(c + 1);
    return numbers;
}

std::string listOf(const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

UsageError noNotesChosen(const PartSelection& selection, const std::bitset<16>& channelsWithNotes,
                         const std::set<int>& tracksWithNotes) {
    const bool both = selection.channelsChosen && !selection.tracks.empty();
    const std::string chooser = both ? "--channels and --tracks leave"
                                     : (selection.channelsChosen ? "--channels leaves" : "--tracks leaves");
    if (tracksWithNotes.empty()) return UsageError(chooser + " no notes to play; the file has none");
    return UsageError(chooser + " no notes to play; the notes are on channels " +
                      listOf(channelsIn(channelsWithNotes)) + " in tracks " +
                      listOf({tracksWithNotes.begin(), tracksWithNotes.end()}));
}

}  // namespace

std::vector<int> parseNumberList(const std::string& text, const char* option, int highest) {
    std::vector<int> numbers;
    if (text == "all") {
        for (int n = 1; n <= highest; ++n) numbers.push_back(n);
        return numbers;
    }
    std::size_t pos = 0;
    for (;;) {
        const int first = numberIn(text, pos, option, highest);
        int last = first;
        if (pos < text.size() && text[pos] == '-') {
            ++pos;
            last = numberIn(text, pos, option, highest);
            if (last < first)
                throw UsageError(std::string(option) + ": the range " + std::to_string(first) + "-" +
                                 std::to_string(last) + " runs backwards");
        }
        for (int n = first; n <= last; ++n) numbers.push_back(n);
        if (pos == text.size()) break;
        if (text[pos] != ',') throw badList(text, option, highest);
        ++pos;
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

SelectedParts selectParts(const MidiSequence& sequence, const PartSelection& selection) {
    for (int track : selection.tracks)
        if (track > sequence.trackCount)
            throw UsageError("--tracks names track " + std::to_string(track) + " but the file has " +
                             std::to_string(sequence.trackCount));
    const auto trackChosen = [&](int track) {
        return selection.tracks.empty() ||
               std::find(selection.tracks.begin(), selection.tracks.end(), track) != selection.tracks.end();
    };

    SelectedParts result;
    result.sequence = sequence;
    result.sequence.messages.clear();
    std::int64_t drumStrikesLeftOut = 0, outOfRange = 0, strikes = 0;
    std::bitset<16> volumeSenders, pedalSenders, channelsWithNotes;
    std::set<int> tracksWithNotes;
    for (const MidiMessage& message : sequence.messages) {
        if (!midi::isChannelStatus(message.bytes[0])) continue;
        const int channel = midi::channelOf(message.bytes[0]);
        if (isStrike(message)) {
            channelsWithNotes.set(channel);
            tracksWithNotes.insert(message.track);
        }
        const bool chosen = selection.channels.test(channel) && trackChosen(message.track);
        if (!chosen && channel == kDrumChannel && isStrike(message) && trackChosen(message.track))
            ++drumStrikesLeftOut;
        if (!chosen) continue;
        if (isStrike(message)) ++strikes;
        if (isStrike(message) && !midi::isPianoNote(message.bytes[1])) ++outOfRange;
        const bool control = midi::statusKind(message.bytes[0]) == midi::kControlChange;
        if (control && message.bytes[1] == midi::kVolume) {
            if (!selection.keepVolumeMessages) continue;
            volumeSenders.set(channel);
            result.loudestVolume = std::max<int>(result.loudestVolume, message.bytes[2]);
        }
        if (control && message.bytes[1] == midi::kSustainPedal) pedalSenders.set(channel);
        result.sequence.messages.push_back(message);
    }

    // Silence is never what a choice of parts was made for.
    if (strikes == 0 && (selection.channelsChosen || !selection.tracks.empty()))
        throw noNotesChosen(selection, channelsWithNotes, tracksWithNotes);
    if (drumStrikesLeftOut > 0 && !selection.channelsChosen)
        result.warnings.push_back(
            "channel 10 (General MIDI drums) is left out: " + std::to_string(drumStrikesLeftOut) +
            " notes; --channels all plays them on the piano");
    if (outOfRange > 0)
        result.warnings.push_back(std::to_string(outOfRange) +
                                  " notes fall outside the piano's 21..108 (A0..C8) and stay silent");
    if (volumeSenders.count() > 1)
        result.warnings.push_back("channels " + listOf(channelsIn(volumeSenders)) +
                                  " all send Volume (controller 7), and they all set the piano's one Volume");
    if (pedalSenders.count() > 1)
        result.warnings.push_back("channels " + listOf(channelsIn(pedalSenders)) +
                                  " all send the sustain pedal (controller 64), and they all move the piano's one "
                                  "pedal");
    return result;
}
