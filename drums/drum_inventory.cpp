#include "drums/drum_inventory.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <set>
#include <string>
#include <utility>

#include "drums/drum_list_seam.h"

AssignmentMap assignmentMap;
DrumNoteList drumNoteList;
TrackLabelMap trackLabelMap;

bool isConductorTrack(const std::vector<Track>& tracks) {
    if (tracks.empty()) {
        return false;
    }
    return std::none_of(tracks.front().begin(), tracks.front().end(),
                        [](const MidiEvent& e) { return isChannelMessage(e.status); });
}

DrumTrackNotes drumTrackNotes(const AssignmentMap& assignments) {
    DrumTrackNotes notes;
    notes.tr4.set();
    for (const auto& [note, target] : assignments) {
        if (note >= 0 && note < 256) {
            notes.tr4[std::size_t(note)] = reachesTr4(target);
            notes.tr5[std::size_t(note)] = reachesTr5(target);
            notes.routed[std::size_t(note)] = target == AUTO;
        }
    }
    return notes;
}

unsigned userTrackNumber(std::size_t index, bool hasConductorTrack) {
    return static_cast<unsigned>(hasConductorTrack ? index : index + 1);
}

void rebuildDrumInventory() {
    drumListReset();
    assignmentMap.clear();
    drumNoteList.clear();
    trackLabelMap.clear();

    const bool conductor = isConductorTrack(songData.tracks);

    // Indexed by the note byte, which a malformed file may carry above 127.
    std::bitset<256> listed, inTrack4, inTrack5;
    std::array<std::set<unsigned>, 256> trackNumbers;

    // Each track's notes, as the reader gathered them or else found here: a
    // note struck a thousand times in a track is put in its sets once.
    std::vector<std::bitset<256>> notesRead = std::move(songData.drumNotesRead);
    songData.drumNotesRead.clear();
    for (std::size_t i = 0; i < songData.tracks.size(); ++i) {
        std::bitset<256> inTrack;
        if (notesRead.size() == songData.tracks.size()) {
            inTrack = notesRead[i];
        } else {
            for (const MidiEvent& event : songData.tracks[i]) {
                if (isDrumNoteEvent(event)) {
                    inTrack[event.data[0]] = true;
                }
            }
        }
        if (inTrack.none()) {
            continue;
        }
        const unsigned number = userTrackNumber(i, conductor);
        for (std::size_t note = 0; note < 256; ++note) {
            if (inTrack[note]) {
                trackNumbers[note].insert(number);
            }
        }
        listed |= inTrack;
        if (number == 4) {
            inTrack4 |= inTrack;
        }
        if (number == 5) {
            inTrack5 |= inTrack;
        }
    }
    for (std::size_t note = 0; note < 256; ++note) {
        if (listed[note]) {
            drumNoteList.push_back(std::int32_t(note));
        }
    }

    for (const std::int32_t note : drumNoteList) {
        assignmentMap[note] = inTrack4[note] && inTrack5[note] ? BOTH : inTrack5[note] ? TR5 : TR4;
        std::wstring label;
        for (const unsigned number : trackNumbers[note]) {
            if (!label.empty()) {
                label += L',';
            }
            label += std::to_wstring(number);
        }
        trackLabelMap[note] = std::move(label);
    }

    for (const std::int32_t note : drumNoteList) {
        drumListAdd(std::to_wstring(note));
    }
}
