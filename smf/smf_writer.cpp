#include "smf/smf_writer.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "smf/event_order.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxTracks = 65535;  // the header's track count is 16 bits

void appendU32Be(ByteBuffer& out, std::uint32_t v) {
    out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

void appendU16Be(ByteBuffer& out, std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v >> 8), std::uint8_t(v)}); }

void appendHeader(ByteBuffer& out, std::size_t trackCount, std::uint16_t division) {
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    appendU32Be(out, 6);
    appendU16Be(out, 1);  // always format 1
    appendU16Be(out, static_cast<std::uint16_t>(trackCount));
    appendU16Be(out, division);
}

bool isEndOfTrack(const MidiEvent& e) {
    return e.status == kMetaStatus && !e.data.empty() && e.data[0] == kMetaEndOfTrack;
}

// The payload bytes that can actually be written: a track chunk that ended early
// leaves an event with fewer bytes than it declares, and writing the declared
// length would make the output unreadable.
std::size_t payloadCount(std::uint32_t declared, std::size_t present) {
    return declared < present ? declared : present;
}

fs::path temporaryPathBeside(const fs::path& target) {
    static std::uint32_t counter = 0;
    static const std::uint32_t seed = std::random_device{}();
    const std::uint32_t unique = seed + 0x9E3779B9u * ++counter;
    wchar_t suffix[16];
    constexpr wchar_t hex[] = L"0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        suffix[i] = hex[(unique >> (28 - 4 * i)) & 0xF];
    }
    suffix[8] = L'\0';
    fs::path name = L"." + target.filename().wstring() + L"." + suffix + L".tmp";
    return target.parent_path() / name;
}

// An existing output that cannot be opened for writing (read-only, held by
// another program, a directory) is refused, as a direct open would refuse it,
// rather than replaced behind its back by the rename.
bool existingOutputWritable(const fs::path& target) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (ec || !fs::exists(status)) {
        return true;
    }
    if (fs::is_directory(status)) {
        return false;
    }
    std::ofstream probe(target, std::ios::binary | std::ios::in | std::ios::out);  // does not truncate
    return static_cast<bool>(probe);
}

}  // namespace

void writeVarLen(ByteBuffer& out, std::uint32_t value) {
    std::uint8_t buffer[5];
    int n = 0;
    buffer[n++] = value & 0x7F;
    value >>= 7;
    while (value != 0) {
        buffer[n++] = static_cast<std::uint8_t>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    while (n > 0) {
        out.push_back(buffer[--n]);
    }
}

bool writeEventBytes(ByteBuffer& out, const MidiEvent& e) {
    const std::uint8_t status = e.status;
    const std::vector<std::uint8_t>& d = e.data;
    if (status == kMetaStatus) {
        if (d.empty()) {
            return false;
        }
        const std::size_t count = payloadCount(e.length, d.size() - 1);
        out.push_back(status);
        out.push_back(d[0]);
        writeVarLen(out, static_cast<std::uint32_t>(count));
        out.insert(out.end(), d.begin() + 1, d.begin() + 1 + static_cast<std::ptrdiff_t>(count));
    } else if (status == 0xF0 || status == 0xF7) {
        const std::size_t count = payloadCount(e.length, d.size());
        out.push_back(status);
        writeVarLen(out, static_cast<std::uint32_t>(count));
        out.insert(out.end(), d.begin(), d.begin() + static_cast<std::ptrdiff_t>(count));
    } else if (status >= 0xC0 && status <= 0xDF) {
        if (d.empty()) {
            return false;
        }
        out.insert(out.end(), {status, d[0]});
    } else {
        if (d.size() < 2) {
            return false;
        }
        out.insert(out.end(), {status, d[0], d[1]});  // bytes beyond the kind's count are not written
    }
    return true;
}

void writeTrackChunk(ByteBuffer& out, Track track, bool sorted) {
    std::erase_if(track, isEndOfTrack);
    if (sorted) {
        orderTrackEvents(track);
    }

    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    const std::size_t lengthAt = out.size();
    appendU32Be(out, 0);  // patched below
    const std::size_t bodyStart = out.size();

    std::uint32_t previous = 0;
    ByteBuffer event;
    for (const MidiEvent& e : track) {
        event.clear();
        if (!writeEventBytes(event, e)) {
            continue;
        }
        // An event earlier than one before it (only in an unordered track) is
        // written at the time of the latest event so far.
        const std::uint32_t at = e.tick < previous ? previous : e.tick;
        writeVarLen(out, at - previous);
        out.insert(out.end(), event.begin(), event.end());
        previous = at;
    }
    out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});  // the one End-of-Track, at the last event's time

    const std::uint32_t bodyLength = static_cast<std::uint32_t>(out.size() - bodyStart);
    for (int i = 0; i < 4; ++i) {
        out[lengthAt + i] = std::uint8_t(bodyLength >> (24 - 8 * i));
    }
}

bool encodeSmf(ByteBuffer& out, const std::vector<Track>& tracks, const SortFlags& sortFlags,
               std::uint16_t division) {
    if (tracks.size() > kMaxTracks) {
        return false;
    }
    appendHeader(out, tracks.size(), division);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        writeTrackChunk(out, tracks[i], i < sortFlags.size() && sortFlags[i]);
    }
    return true;
}

bool writeSmfFile(const std::wstring& path, const std::vector<Track>& tracks, const SortFlags& sortFlags) {
    if (tracks.size() > kMaxTracks) {
        return false;
    }
    const fs::path target(path);
    if (!existingOutputWritable(target)) {
        return false;
    }

    const fs::path temporary = temporaryPathBeside(target);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        ByteBuffer buffer;
        appendHeader(buffer, tracks.size(), songData.division);
        out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        for (std::size_t i = 0; i < tracks.size() && out; ++i) {
            buffer.clear();
            writeTrackChunk(buffer, tracks[i], i < sortFlags.size() && sortFlags[i]);
            out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        }
        out.flush();
        written = out.good();
        out.close();
        written = written && !out.fail();
    }

    std::error_code ec;
    if (written) {
        // The replaced file keeps its permissions.
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::exists(old)) {
            fs::permissions(temporary, old.permissions(), ec);
        }
        ec.clear();
        fs::rename(temporary, target, ec);
        written = !ec;
    }
    if (!written) {
        fs::remove(temporary, ec);
    }
    return written;
}
