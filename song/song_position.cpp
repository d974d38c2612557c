#include "song/song_position.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint8_t kMetaTimeSignature = 0x58;
constexpr std::uint16_t kSmpteDivision = 0x8000;  // the header's top bit: frames and ticks per frame
constexpr std::uint16_t kFallbackDivision = 480;
constexpr MeterSpan kCommonTime{};                // 4/4 from tick 0, bar 1

// A tick counted in 2^beatPower-ths of a tick: a beat is then 4 * division of
// them exactly, also where it is no whole number of ticks (division 100, x/64),
// so that beats and bars do not drift.
std::uint64_t scaledTicks(std::uint32_t ticks, const MeterSpan& meter) { return std::uint64_t(ticks) << meter.beatPower; }

std::uint64_t beatUnits(std::uint32_t division) { return std::uint64_t(4) * division; }

// The bars begun from the start of `meter` up to `tick`, a last one cut short included.
std::uint64_t barsBefore(const MeterSpan& meter, std::uint32_t tick, std::uint32_t division) {
    const std::uint64_t units = scaledTicks(tick - meter.startTick, meter);
    const std::uint64_t bar = beatUnits(division) * meter.beatsPerBar;
    return (units + bar - 1) / bar;
}

// A time signature's numerator and denominator, each as 4/4 has it where it makes no sense.
MeterSpan meterOf(const MidiEvent& timeSignature, std::uint32_t division) {
    MeterSpan meter;
    meter.startTick = timeSignature.tick;
    const std::uint8_t numerator = timeSignature.data[1];
    const std::uint8_t power = timeSignature.data[2];
    if (numerator != 0) {
        meter.beatsPerBar = numerator;
    }
    // A beat must be at least a tick long; 4 * division < 2^17.
    if (power <= 16 && (std::uint64_t(1) << power) <= beatUnits(division)) {
        meter.beatPower = power;
    }
    return meter;
}

bool isTimeSignature(const MidiEvent& e) {
    return e.status == kMetaStatus && e.data.size() >= 3 && e.data[0] == kMetaTimeSignature;
}

std::string digits(std::uint32_t value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) {
        text.insert(0, width - text.size(), '0');
    }
    return text;
}

}  // namespace

MeterMap meterMapOf(const std::vector<Track>& tracks, std::uint16_t division) {
    MeterMap map;
    if (division & kSmpteDivision) {
        map.division = division;
        return map;
    }
    map.division = division == 0 ? kFallbackDivision : division;

    std::vector<MeterSpan> changes;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isTimeSignature(e)) {
                changes.push_back(meterOf(e, map.division));
            }
        }
    }
    // Stable: of two at one tick, the later in the song stays later and wins.
    std::stable_sort(changes.begin(), changes.end(),
                     [](const MeterSpan& a, const MeterSpan& b) { return a.startTick < b.startTick; });

    map.spans.push_back(kCommonTime);
    for (MeterSpan& change : changes) {
        MeterSpan& current = map.spans.back();
        if (change.startTick == current.startTick) {
            change.firstBar = current.firstBar;
            current = change;
            continue;
        }
        change.firstBar = current.firstBar + barsBefore(current, change.startTick, map.division);
        map.spans.push_back(change);
    }
    return map;
}

std::optional<SongPosition> positionAt(const MeterMap& meters, std::uint32_t tick) {
    if (meters.spans.empty()) {
        return std::nullopt;
    }
    // The last span starting at or before `tick`; the first starts at 0.
    const auto after = std::upper_bound(meters.spans.begin(), meters.spans.end(), tick,
                                        [](std::uint32_t t, const MeterSpan& span) { return t < span.startTick; });
    const MeterSpan& meter = *(after - 1);

    const std::uint64_t units = scaledTicks(tick - meter.startTick, meter);
    const std::uint64_t beat = beatUnits(meters.division);
    const std::uint64_t beats = units / beat;
    const std::uint64_t bar = meter.firstBar + beats / meter.beatsPerBar;
    return SongPosition{
        std::uint32_t(std::min<std::uint64_t>(bar, std::numeric_limits<std::uint32_t>::max())),
        std::uint32_t(beats % meter.beatsPerBar + 1),
        std::uint32_t((units % beat) >> meter.beatPower),
    };
}

std::string positionText(const SongPosition& position) {
    return std::to_string(position.bar) + ':' + std::to_string(position.beat) + ':' + digits(position.tick, 3);
}

std::wstring shortPositionText(const SongPosition& position) {
    const std::string text = position.tick == 0 ? std::to_string(position.bar) + ':' + std::to_string(position.beat)
                                                : positionText(position);
    return std::wstring(text.begin(), text.end());
}
