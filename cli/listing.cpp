#include "cli/listing.h"

#include <algorithm>

#include "cli/cli_texts.h"
#include "cli/text_encoding.h"
#include "ui/texts.h"

namespace {

constexpr const char* kRowIndent = "  ";
constexpr const char* kColumnGap = "  ";

std::string paddedTo(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

std::vector<DrumRow> drumRows(const ClashCounts& counts) {
    std::vector<DrumRow> rows;
    rows.reserve(drumNoteList.size());
    for (const std::int32_t note : drumNoteList) {
        DrumRow row;
        row.note = note;
        // The window reads both maps with lookup-or-insert: TR4 and "" for a missing note.
        if (const auto target = assignmentMap.find(note); target != assignmentMap.end()) {
            row.target = target->second;
        }
        if (const auto label = trackLabelMap.find(note); label != trackLabelMap.end()) {
            row.tracks = label->second;
        }
        if (note >= 0 && note < 256) {
            const std::size_t n = std::size_t(note);
            row.clashes = counts.perNote[n];
            row.nearHits = counts.perNoteNear[n];
            row.routedTr4 = counts.routedTr4[n];
            row.routedTr5 = counts.routedTr5[n];
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> listingLines(const std::vector<DrumRow>& rows) {
    // Labels, destinations and numbers are ASCII, so bytes are columns.
    std::size_t labelWidth = 0;
    std::size_t targetWidth = 0;
    for (const DrumRow& row : rows) {
        labelWidth = std::max(labelWidth, row.tracks.size());
        targetWidth = std::max(targetWidth, std::wstring_view(targetLabel(row.target)).size());
    }
    std::vector<std::string> lines;
    lines.reserve(rows.size());
    for (const DrumRow& row : rows) {
        std::string line = kRowIndent + paddedTo(toUtf8(row.tracks), labelWidth) + kColumnGap +
                           paddedTo(toUtf8(targetLabel(row.target)), targetWidth) + kColumnGap +
                           toUtf8(formatNoteNumber(row.note));
        const std::string name = toUtf8(gmDrumName(row.note));
        if (!name.empty()) {
            line += ' ' + name;
        }
        if (row.target == AUTO) {
            line += kColumnGap + toUtf8(routedHitsText(row.routedTr4, row.routedTr5));
        }
        const std::string clashes = toUtf8(rowClashText(row.clashes, row.nearHits));
        if (!clashes.empty()) {
            line += kColumnGap + clashes;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> clashLines(const ClashReport& report) {
    std::vector<std::string> lines;
    for (const auto& [label, track] : {std::pair{"TR4", &report.tr4}, std::pair{"TR5", &report.tr5}}) {
        std::string line = kRowIndent + cliText(kCliClashingTicks, {label, std::to_string(track->ticks)});
        if (track->ticks != 0) {
            line += cliText(kCliAtMost, {std::to_string(track->largest)});
        }
        if (track->selfClashTicks != 0) {
            line += cliText(kCliStruckTwice, {std::to_string(track->selfClashTicks)});
        }
        if (track->cutShort != 0) {
            line += cliText(kCliNear, {std::to_string(track->cutShort)});
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> placeLines(const std::vector<ClashPlace>& places, const MeterMap& meters) {
    std::vector<std::string> lines;
    lines.reserve(places.size());
    for (const ClashPlace& place : places) {
        const std::optional<SongPosition> position = positionAt(meters, place.tick);
        std::string line = kRowIndent + (position ? positionText(*position) : std::to_string(place.tick)) +
                           kColumnGap + (place.track == 0 ? "TR4" : "TR5") + kColumnGap;
        for (std::size_t k = 0; k < place.notes.size(); ++k) {
            line += k == 0 ? "" : ",";
            line += std::to_string(place.notes[k]);
        }
        if (place.cutShort) {
            line += kColumnGap + cliText(kCliNearPlace);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string overrideOptions(const AssignmentMap& destinations) {
    // The option names are the destination labels in lower case; AUTO's is --per-hit.
    constexpr std::pair<DrumTarget, const char*> kOptions[] = {
        {TR4, "--tr4"}, {TR5, "--tr5"}, {BOTH, "--both"}, {AUTO, "--per-hit"}};
    std::string options;
    for (const auto& [target, option] : kOptions) {
        std::string notes;
        for (const auto& [note, t] : destinations) {
            if (t == target) {
                notes.append(notes.empty() ? "" : ",").append(std::to_string(note));
            }
        }
        if (!notes.empty()) {
            options.append(options.empty() ? "" : " ").append(option).append(" ").append(notes);
        }
    }
    return options;
}

std::string jsonFileEntry(const std::wstring& path, bool loaded, const std::vector<DrumRow>& rows,
                          const ClashReport& clashes, const std::string& indent,
                          const std::vector<ClashPlace>* places, const MeterMap* meters) {
    std::string out = "{\"path\": " + jsonQuotedPath(path) + ", \"loaded\": " + (loaded ? "true" : "false");
    if (!loaded) {
        return out + "}";
    }
    out += ", \"notes\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DrumRow& row = rows[i];
        std::string tracks;
        for (const wchar_t c : row.tracks) {
            tracks += c == L',' ? std::string(", ") : std::string(1, static_cast<char>(c));
        }
        out += (i == 0 ? "\n" : ",\n") + indent + "  {\"note\": " + std::to_string(row.note) + ", \"tracks\": [" +
               tracks + "], \"target\": " + jsonQuoted(toUtf8(targetLabel(row.target))) +
               ", \"name\": " + jsonQuoted(toUtf8(gmDrumName(row.note))) +
               ", \"clashes\": " + std::to_string(row.clashes) + ", \"near\": " + std::to_string(row.nearHits) +
               (row.target == AUTO ? ", \"hits\": {\"TR4\": " + std::to_string(row.routedTr4) +
                                         ", \"TR5\": " + std::to_string(row.routedTr5) + "}"
                                   : "") +
               "}";
    }
    out += rows.empty() ? "]" : "\n" + indent + "]";
    auto clashObject = [](const TrackClashes& t) {
        return "{\"ticks\": " + std::to_string(t.ticks) + ", \"largest\": " + std::to_string(t.largest) +
               ", \"self\": " + std::to_string(t.selfClashTicks) + ", \"near\": " + std::to_string(t.cutShort) + "}";
    };
    out += ", \"clashes\": {\"TR4\": " + clashObject(clashes.tr4) + ", \"TR5\": " + clashObject(clashes.tr5) + "}";
    if (places != nullptr && meters != nullptr) {
        out += ", \"where\": [";
        for (std::size_t i = 0; i < places->size(); ++i) {
            const ClashPlace& place = (*places)[i];
            const std::optional<SongPosition> position = positionAt(*meters, place.tick);
            std::string notes;
            for (std::size_t k = 0; k < place.notes.size(); ++k) {
                notes += k == 0 ? "" : ", ";
                notes += std::to_string(place.notes[k]);
            }
            out += (i == 0 ? "\n" : ",\n") + indent + "  {\"at\": " +
                   (position ? jsonQuoted(positionText(*position)) : std::string("null")) +
                   ", \"tick\": " + std::to_string(place.tick) + ", \"track\": " +
                   (place.track == 0 ? "\"TR4\"" : "\"TR5\"") + ", \"notes\": [" + notes +
                   "], \"near\": " + (place.cutShort ? "true" : "false") + "}";
        }
        out += places->empty() ? "]" : "\n" + indent + "]";
    }
    return out + "}";
}
