#include "bench/song_generator.h"

#include <array>

#include "bench/put_var_len.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A fixed linear congruential generator: reproducible on every platform.
struct Random {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
};


void putU32(Bytes& out, std::uint32_t v) {
    out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

// Builds one track body, event by event, using running status.
struct TrackWriter {
    Bytes body;
    std::uint32_t lastTick = 0;
    std::uint8_t runningStatus = 0;
    std::size_t events = 0;

    void channel(std::uint32_t tick, std::uint8_t status, std::uint8_t a, std::uint8_t b, bool twoBytes = true) {
        putVarLen(body, tick - lastTick);
        lastTick = tick;
        if (status != runningStatus) {
            body.push_back(status);
            runningStatus = status;
        }
        body.push_back(a);
        if (twoBytes) {
            body.push_back(b);
        }
        ++events;
    }
    void meta(std::uint32_t tick, std::uint8_t type, const Bytes& payload) {
        putVarLen(body, tick - lastTick);
        lastTick = tick;
        body.push_back(0xFF);
        body.push_back(type);
        putVarLen(body, std::uint32_t(payload.size()));
        body.insert(body.end(), payload.begin(), payload.end());
        ++events;
    }
    void end(Bytes& file) {
        meta(lastTick, 0x2F, {});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        putU32(file, std::uint32_t(body.size()));
        file.insert(file.end(), body.begin(), body.end());
    }
};

constexpr std::array<std::uint8_t, 12> kDrumNotes = {35, 36, 38, 40, 42, 44, 46, 49, 51, 45, 48, 57};

// Note releases still to come: (due tick, event bytes).
using Releases = std::vector<std::pair<std::uint32_t, std::array<std::uint8_t, 3>>>;

// Writes the releases due by `tick` (all of them for UINT32_MAX), never going back in time.
void flushReleases(TrackWriter& w, Releases& releases, std::uint32_t tick) {
    std::size_t kept = 0;
    for (auto& r : releases) {
        if (r.first <= tick) {
            w.channel(r.first < w.lastTick ? w.lastTick : r.first, r.second[0], r.second[1], r.second[2]);
        } else {
            releases[kept++] = r;
        }
    }
    releases.resize(kept);
}

// A note pair for `channel` at `tick`; drum notes are short hits, drawn from
// the first `drumNotes` of kDrumNotes.
void addNotePair(TrackWriter& w, Random& random, std::uint8_t channel, std::uint32_t tick,
                 Releases& releases, std::uint32_t drumNotes = kDrumNotes.size()) {
    const bool drums = channel == 9;
    const std::uint8_t note = drums ? kDrumNotes[random.below(drumNotes)]
                                    : std::uint8_t(36 + random.below(48));
    w.channel(tick, std::uint8_t(0x90 | channel), note, std::uint8_t(40 + random.below(80)));
    // Releases as velocity-0 note-ons, so that running status carries them.
    releases.push_back({tick + 1 + random.below(drums ? 30 : 240), {std::uint8_t(0x90 | channel), note, 0}});
}

// Tempo changes every bar, `events` in all.
void conductorTrack(Bytes& file, Random& random, std::size_t events) {
    TrackWriter w;
    w.meta(0, 0x58, {4, 2, 24, 8});
    for (std::uint32_t bar = 0; w.events + 1 < events; ++bar) {
        w.meta(bar * 1920, 0x51, {0x07, std::uint8_t(random.below(256)), 0x20});
    }
    w.end(file);
}

// A conductor track and 16 channel tracks; tracks 4 and 5 (counted after the
// conductor) play the drums, with a program change on their own channel now
// and then, and are three times the size of the others: a quarter of the song
// on the drum channel. Two of the drum notes play in track 4 only, the others
// in both tracks, so most notes are proposed BOTH.
void drumTracks4And5(Bytes& file, Random& random, std::size_t eventCount) {
    const std::size_t share = eventCount / 21;
    conductorTrack(file, random, share);
    for (std::uint8_t t = 0; t < 16; ++t) {
        TrackWriter w;
        w.meta(0, 0x03, {'P', 'a', 'r', 't', std::uint8_t('A' + t)});
        const bool drumTrack = t == 3 || t == 4;
        const std::size_t events = drumTrack ? 3 * share : share;
        const std::uint32_t drumNotes = t == 3 ? kDrumNotes.size() : kDrumNotes.size() - 2;
        const std::uint8_t own = t == 9 ? 0 : t;
        Releases releases;
        std::uint32_t tick = 0;
        while (w.events + releases.size() + 1 < events) {
            tick += 1 + random.below(drumTrack ? 30 : 90);
            flushReleases(w, releases, tick);
            if (random.below(50) == 0) {
                w.channel(tick, std::uint8_t(0xC0 | own), std::uint8_t(random.below(128)), 0, false);
            } else {
                addNotePair(w, random, drumTrack ? 9 : own, tick, releases, drumNotes);
            }
        }
        flushReleases(w, releases, UINT32_MAX);
        w.end(file);
    }
}

}  // namespace

std::vector<std::uint8_t> generateSong(GeneratedLayout layout, std::size_t eventCount) {
    Random random{0x5EED1234u};
    const bool single = layout == GeneratedLayout::SingleTrack;
    const std::uint8_t format = single ? 0 : 1;
    const std::uint8_t trackCount = single ? 1 : 17;
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, format, 0, trackCount, 0x01, 0xE0};

    if (single) {
        TrackWriter w;
        w.meta(0, 0x51, {0x07, 0xA1, 0x20});
        w.meta(0, 0x58, {4, 2, 24, 8});
        Releases releases;
        std::uint32_t tick = 0;
        while (w.events + releases.size() + 1 < eventCount) {
            tick += random.below(2) == 0 ? 0 : 1 + random.below(60);
            flushReleases(w, releases, tick);
            // A third of the events on the drum channel, the rest on the other 15.
            std::uint8_t channel = 9;
            if (random.below(3) != 0) {
                channel = std::uint8_t(random.below(15));
                channel = channel >= 9 ? channel + 1 : channel;
            }
            if (random.below(40) == 0) {
                w.channel(tick, std::uint8_t(0xB0 | channel), 7, std::uint8_t(random.below(128)));
            } else {
                addNotePair(w, random, channel, tick, releases);
            }
        }
        flushReleases(w, releases, UINT32_MAX);
        w.end(file);
        return file;
    }

    if (layout == GeneratedLayout::DrumTracks4And5) {
        drumTracks4And5(file, random, eventCount);
        return file;
    }

    // Conductor track: tempo changes every bar.
    const std::size_t perTrack = eventCount / 17;
    conductorTrack(file, random, perTrack);
    // Track t plays channel t; tracks 3 to 10 also carry a share of the drums.
    for (std::uint8_t t = 0; t < 16; ++t) {
        TrackWriter w;
        w.meta(0, 0x03, {'P', 'a', 'r', 't', std::uint8_t('A' + t)});
        const std::uint8_t own = t == 9 ? 0 : t;
        const bool drumTrack = t >= 3 && t <= 10;
        Releases releases;
        std::uint32_t tick = 0;
        while (w.events + releases.size() + 1 < perTrack) {
            tick += 1 + random.below(90);
            flushReleases(w, releases, tick);
            const std::uint8_t channel = drumTrack && random.below(2) == 0 ? 9 : own;
            if (random.below(50) == 0) {
                w.channel(tick, std::uint8_t(0xC0 | channel), std::uint8_t(random.below(128)), 0, false);
            } else {
                addNotePair(w, random, channel, tick, releases);
            }
        }
        flushReleases(w, releases, UINT32_MAX);
        w.end(file);
    }
    return file;
}
