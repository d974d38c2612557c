#include "fuzz/pipeline_check.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

#include "drums/drum_inventory.h"
#include "smf/event_order.h"
#include "smf/smf_writer.h"
#include "smf/smf_writer_internal.h"
#include "song/file_path.h"
#include "song/smf_reader.h"
#include "song/song_data.h"
#include "split/format1.h"
#include "split/save_command.h"
#include "split/split_saves.h"
#include "split/splitter.h"
#include "ui/window_headless.h"

namespace fs = std::filesystem;

namespace {

// What each step must produce, worked out the plain way, one rule at a time,
// to be compared with what the program's own (faster) code produced.

bool isSysex(std::uint8_t status) { return status == 0xF0 || status == 0xF7; }

// A single track becomes its meta and system events, then one track per
// channel used; any other number of tracks stays as it is.
std::vector<Track> expectedFormat1(const std::vector<Track>& tracks) {
    if (tracks.size() != 1) {
        return tracks;
    }
    std::vector<Track> result(1);
    for (const MidiEvent& e : tracks[0]) {
        if (e.status >= 0xF0) {
            result[0].push_back(e);
        }
    }
    for (unsigned channel = 0; channel < 16; ++channel) {
        Track t;
        for (const MidiEvent& e : tracks[0]) {
            if (e.status < 0xF0 && (e.status & 0x0F) == channel) {
                t.push_back(e);
            }
        }
        if (!t.empty()) {
            result.push_back(std::move(t));
        }
    }
    return result;
}

struct ExpectedSplit {
    std::vector<Track> remaining;
    Track tr4;
    Track tr5;
};

// Every drum-channel event leaves its track: a note-on for its note's
// destination, a release for the destination of the latest open note-on of its
// note in its track (or its note's, when none is open), anything else for both.
ExpectedSplit expectedSplit(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    auto destinationOf = [&](std::uint8_t note) {
        const auto entry = assignments.find(note);
        return entry == assignments.end() ? TR4 : entry->second;
    };
    ExpectedSplit result;
    auto route = [&](const MidiEvent& e, DrumTarget target) {
        if (target != TR5) {
            result.tr4.push_back(e);
        }
        if (target != TR4) {
            result.tr5.push_back(e);
        }
    };
    for (const Track& track : tracks) {
        Track remaining;
        std::map<std::uint8_t, std::vector<DrumTarget>> open;
        for (const MidiEvent& e : track) {
            const bool drum = isDrumChannel(e.status) && !e.data.empty();
            if (!drum) {
                remaining.push_back(e);
                continue;
            }
            const std::uint8_t note = e.data[0];
            if (isNoteStart(e)) {
                open[note].push_back(destinationOf(note));
                route(e, open[note].back());
            } else if (isRelease(e)) {
                std::vector<DrumTarget>& stack = open[note];
                if (stack.empty()) {
                    route(e, destinationOf(note));
                } else {
                    route(e, stack.back());
                    stack.pop_back();
                }
            } else {
                route(e, BOTH);
            }
        }
        result.remaining.push_back(std::move(remaining));
    }
    return result;
}

std::size_t expectedDrumPosition(const std::vector<Track>& tracks) {
    if (tracks.empty()) {
        return 3;
    }
    for (const MidiEvent& e : tracks[0]) {
        if (e.status < 0xF0) {
            return 3;
        }
    }
    return 4;
}

std::vector<Track> expectedInsert(const ExpectedSplit& split, std::size_t p) {
    std::vector<Track> out;
    for (std::size_t k = 0; k < p; ++k) {
        out.push_back(k < split.remaining.size() ? split.remaining[k] : Track());
    }
    out.push_back(split.tr4);
    out.push_back(split.tr5);
    for (std::size_t k = p; k < split.remaining.size(); ++k) {
        out.push_back(split.remaining[k]);
    }
    return out;
}

std::vector<Track> expectedOverwrite(const ExpectedSplit& split, std::size_t p) {
    std::vector<Track> out = split.remaining;
    while (out.size() < p + 2) {
        out.emplace_back();
    }
    out[p] = split.tr4;
    out[p + 1] = split.tr5;
    return out;
}

// A track as the reader finds it in what the writer wrote: without its
// End-of-Track events and without the events too short to be written (a meta
// event with no type, a channel message missing a data byte); ordered when
// flagged (stably); no event earlier than one before it; meta and system-
// exclusive events with the payload that was present, and no more than
// declared; channel messages with the bytes their kind takes; and one
// End-of-Track at the time of the last event.
Track expectedReadBack(const Track& track, bool sorted) {
    Track t;
    for (const MidiEvent& e : track) {
        if (isEndOfTrack(e)) {
            continue;
        }
        const std::uint8_t* data = e.data.begin();
        if (e.status == 0xFF) {
            if (e.data.empty()) {
                continue;
            }
            const std::size_t count = std::min<std::size_t>(e.length(), e.data.size() - 1);
            t.push_back(MidiEvent(e.tick, e.status, EventBytes(data, data + 1 + count), std::uint32_t(count)));
        } else if (isSysex(e.status)) {
            const std::size_t count = std::min<std::size_t>(e.length(), e.data.size());
            t.push_back(MidiEvent(e.tick, e.status, EventBytes(data, data + count), std::uint32_t(count)));
        } else {
            const std::size_t count = dataBytesTaken(e.status);
            if (e.data.size() < count) {
                continue;
            }
            t.push_back(MidiEvent(e.tick, e.status, EventBytes(data, data + count)));
        }
    }
    if (sorted) {
        std::stable_sort(t.begin(), t.end(), eventOrderLess);
    }
    std::uint32_t latest = 0;
    for (MidiEvent& e : t) {
        e.tick = std::max(e.tick, latest);
        latest = e.tick;
    }
    t.push_back(MidiEvent{latest, 0xFF, {0x2F}, 0});
    return t;
}

std::string describe(const MidiEvent& e) {
    std::ostringstream out;
    out << "{tick " << e.tick << ", status " << std::hex << int(e.status) << ", data";
    for (const std::uint8_t b : e.data) {
        out << ' ' << int(b);
    }
    out << std::dec << ", length " << e.length() << '}';
    return out.str();
}

// The first difference between two track lists, or nothing.
std::string compareTracks(const std::vector<Track>& actual, const std::vector<Track>& expected) {
    if (actual.size() != expected.size()) {
        return std::to_string(actual.size()) + " tracks, expected " + std::to_string(expected.size());
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const Track& a = actual[i];
        const Track& b = expected[i];
        const auto [differs, _] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        if (differs == a.end() && a.size() == b.size()) {
            continue;
        }
        const std::size_t k = std::size_t(differs - a.begin());
        return "track " + std::to_string(i) + " (" + std::to_string(a.size()) + " events, expected " +
               std::to_string(b.size()) + "), event " + std::to_string(k) + ": " +
               (k < a.size() ? describe(a[k]) : "none") + ", expected " + (k < b.size() ? describe(b[k]) : "none");
    }
    return {};
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Output {
    const char* name;
    std::vector<Track> tracks;  // as the plain model makes them
    SortFlags flags;
    std::vector<OutputTrack> plan;  // as the save makes it, referring to the loaded events
    ByteBuffer encoded;  // empty when the writer refused the list
};

class Checker {
public:
    explicit Checker(PipelineOutcome& outcome) : outcome_(outcome) {}

    // Records the first failure only: later ones usually follow from it.
    bool expect(bool condition, const std::string& what) {
        if (!condition && outcome_.failure.empty()) {
            outcome_.failure = what;
        }
        return condition;
    }
    bool same(const std::vector<Track>& actual, const std::vector<Track>& expected, const std::string& what) {
        const std::string difference = compareTracks(actual, expected);
        return expect(difference.empty(), what + ": " + difference);
    }
    bool failed() const { return !outcome_.failure.empty(); }

private:
    PipelineOutcome& outcome_;
};

// Each listed note gets a destination from the input's bytes: a fuzzer that
// changes them tries every combination of destinations.
void drawDestinations(const std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    for (const std::int32_t note : drumNoteList) {
        assignmentMap[note] = static_cast<DrumTarget>((data[size - 1 - i % size] + note) % 3);
        ++i;
    }
}

// Writes the encoded output, reads it back and compares it with what the
// writer's rules make of the list.
void checkWrittenFile(Checker& check, const Output& output, std::uint16_t division) {
    const std::string name = output.name;
    songData.bytes = output.encoded;
    if (!check.expect(parseSong(), name + ": the written file does not parse")) {
        return;
    }
    check.expect(songData.tracks.size() == output.tracks.size(),
                 name + ": read back " + std::to_string(songData.tracks.size()) + " tracks of " +
                     std::to_string(output.tracks.size()) + " written");
    check.expect(songData.division == division, name + ": division changed");
    std::vector<Track> expected;
    for (std::size_t i = 0; i < output.tracks.size(); ++i) {
        expected.push_back(expectedReadBack(output.tracks[i], i < output.flags.size() && output.flags[i]));
    }
    check.same(songData.tracks, expected, name + ": read back");
}

// The three save commands as the window runs them, writing files: each must
// write exactly what was encoded in memory, report success only then, leave
// nothing else in the folder and leave the loaded song as it was.
void checkRealSaves(Checker& check, const std::wstring& folder, const std::vector<Track>& loaded,
                    const std::vector<Output>& outputs, bool overwriteBox) {
    const std::wstring input = folder + L"/song.mid";
    songData.inputPath = input;
    fileLoaded = true;
    headlessWindow.overwriteBoxChecked = overwriteBox;
    struct Save {
        SaveOutcome (*run)(WindowHandle);
        std::wstring path;
        const Output& output;
    };
    const Save saves[] = {
        {saveFormat1, folder + L"/song_F1.mid", outputs[0]},
        {saveSplitInsert, folder + L"/song_S.mid", outputs[1]},
        {saveSplitOverwrite, overwriteBox ? input : folder + L"/song_OW.mid", outputs[2]},
    };
    const fs::path folderPath = filePath(folder);
    for (const Save& save : saves) {
        const std::string name = std::string(save.output.name) + " save";
        const SaveOutcome saved = save.run(nullptr);
        const bool reported = saved.written;
        check.expect(saved.path == save.path, name + ": saved under another name");
        const fs::path written = filePath(save.path);
        std::error_code ec;
        check.expect(songData.tracks == loaded, name + ": the loaded song changed");
        if (save.output.encoded.empty()) {
            check.expect(!reported, name + ": a list the writer refuses was reported as saved");
        } else if (check.expect(reported, name + ": not reported as saved")) {
            check.expect(readWholeFile(written) == save.output.encoded, name + ": the file differs from encodeSmf");
        }
        fs::remove(written, ec);
        check.expect(fs::is_empty(folderPath, ec) && !ec, name + ": something is left in the folder");
    }
    fileLoaded = false;
}

}  // namespace

PipelineOutcome checkPipeline(const std::uint8_t* data, std::size_t size, const PipelineOptions& options) {
    PipelineOutcome outcome;
    Checker check(outcome);

    songData = SongData();
    songData.bytes.assign(data, data + size);
    outcome.parsed = parseSong();
    if (!outcome.parsed) {
        return outcome;
    }
    rebuildDrumInventory();
    drawDestinations(data, size);

    const std::vector<Track> loaded = songData.tracks;
    const std::uint16_t division = songData.division;
    const AssignmentMap assignments = assignmentMap;
    outcome.tracks = loaded.size();

    // Format-1 conversion, split and both layouts, as the saves run them.
    const std::vector<Track> converted = expectedFormat1(loaded);
    // The output tracks refer to `loaded`, which outlives every reading back below.
    std::vector<OutputTrack> rest = convertToFormat1(loaded);
    check.same(eventsOf(rest), converted, "format-1 conversion");
    for (OutputTrack& track : rest) {
        track.withoutDrumEvents = true;
    }
    SplitResult split = splitDrumEvents(loaded, assignmentMap);
    const ExpectedSplit expected = expectedSplit(converted, assignments);
    check.same(eventsOf(rest), expected.remaining, "split: tracks without their drum events");
    check.expect(assignmentMap == assignments, "split: the destinations changed");
    const std::size_t position = drumTrackPosition(converted);
    check.expect(position == expectedDrumPosition(converted), "drum track position");

    std::vector<Output> outputs;
    outputs.push_back({"format 1", converted, SortFlags(converted.size(), false), convertToFormat1(loaded), {}});
    outputs.push_back(
        {"split insert", expectedInsert(expected, position), {}, splitInsertLayout(rest, split, position), {}});
    outputs.push_back({"split overwrite", expectedOverwrite(expected, position), {},
                       splitOverwriteLayout(rest, split, position), {}});
    for (std::size_t i = 1; i < outputs.size(); ++i) {
        outputs[i].flags.assign(outputs[i].tracks.size(), false);
        outputs[i].flags[position] = outputs[i].flags[position + 1] = true;
    }
    // In walk order, the drum tracks hold what the plain model routes to them;
    // the saves write them in time order.
    for (const Output& output : outputs) {
        check.same(eventsOf(output.plan), output.tracks, std::string(output.name) + " layout");
    }
    orderEvents(split.drums);

    for (Output& output : outputs) {
        const std::string name = output.name;
        const bool encoded = encodeSmf(output.encoded, output.tracks, output.flags, division);
        ByteBuffer fromPlan;
        const bool planEncoded = encodeSmf(fromPlan, output.plan, division);
        check.expect(fromPlan == output.encoded && planEncoded == encoded,
                     name + ": the save's output tracks encode otherwise than their events");
        if (output.tracks.size() > 65535) {
            check.expect(!encoded && output.encoded.empty(), name + ": more than 65535 tracks written");
            continue;
        }
        if (check.expect(encoded, name + ": not encoded")) {
            checkWrittenFile(check, output, division);
        }
    }

    songData.bytes.assign(data, data + size);
    songData.tracks = loaded;
    songData.division = division;
    // Writing files halves the fuzzer's pace: a quarter of the inputs, chosen
    // by their bytes so that a finding replays, go through the real saves.
    const std::uint8_t choice = data[size / 2];
    if (!options.saveFolder.empty() && !check.failed() && (!options.sampleSaves || (choice & 3) == 0)) {
        checkRealSaves(check, options.saveFolder, loaded, outputs, (choice & 4) != 0);
    }
    return outcome;
}
