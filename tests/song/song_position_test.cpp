#include "song/song_position.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "support/smf_builder.h"

void PrintTo(const SongPosition& p, std::ostream* os) { *os << p.bar << ':' << p.beat << ':' << p.tick; }

namespace {

constexpr std::uint32_t kMaxTick = std::numeric_limits<std::uint32_t>::max();

MidiEvent timeSignature(std::uint32_t tick, std::uint8_t numerator, std::uint8_t denominatorPower) {
    return meta(tick, 0x58, {numerator, denominatorPower, 24, 8});
}

MidiEvent noteOn(std::uint32_t tick) { return ev(tick, 0x99, {36, 100}); }

struct PositionCase {
    const char* name;
    std::vector<Track> tracks;
    std::uint16_t division;
    std::vector<std::pair<std::uint32_t, SongPosition>> positions;  // tick, where it falls
    friend void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }
};

class PositionOfTick : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PositionOfTick, FallsInTheBarAndBeatASequencerShows) {
    const MeterMap meters = meterMapOf(GetParam().tracks, GetParam().division);
    for (const auto& [tick, expected] : GetParam().positions) {
        const std::optional<SongPosition> position = positionAt(meters, tick);
        ASSERT_TRUE(position.has_value()) << tick;
        EXPECT_EQ(*position, expected) << "tick " << tick;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Meters, PositionOfTick,
    ::testing::Values(
        PositionCase{"NoTimeSignatureIsFourFour",
                     {{noteOn(0), noteOn(4440)}},
                     480,
                     {{0, {1, 1, 0}}, {479, {1, 1, 479}}, {480, {1, 2, 0}}, {1919, {1, 4, 479}},
                      {1920, {2, 1, 0}}, {4440, {3, 2, 120}}}},
        PositionCase{"ThreeFour",
                     {{timeSignature(0, 3, 2)}},
                     480,
                     {{1439, {1, 3, 479}}, {1440, {2, 1, 0}}, {2880 + 960 + 5, {3, 3, 5}}}},
        PositionCase{"SixEightCountsEighths",
                     {{timeSignature(0, 6, 3)}},
                     480,
                     {{240, {1, 2, 0}}, {1439, {1, 6, 239}}, {1440, {2, 1, 0}}, {1440 + 600, {2, 3, 120}}}},
        PositionCase{"ChangeOnABarLine",
                     {{timeSignature(0, 4, 2), timeSignature(3840, 3, 2)}},
                     480,
                     {{3839, {2, 4, 479}}, {3840, {3, 1, 0}}, {3840 + 1439, {3, 3, 479}}, {3840 + 1440, {4, 1, 0}}}},
        PositionCase{"ChangeMidBarStartsABarThere",
                     {{timeSignature(2400, 3, 2)}},
                     480,
                     {{2399, {2, 1, 479}}, {2400, {3, 1, 0}}, {2400 + 1440, {4, 1, 0}}}},
        PositionCase{"TimeSignaturesOfEveryTrackTakenInTickOrder",
                     {{noteOn(0), timeSignature(3840, 6, 3)}, {timeSignature(1920, 3, 2)}},
                     480,
                     {{1920, {2, 1, 0}}, {3360, {3, 1, 0}}, {3840, {4, 1, 0}}, {3840 + 240, {4, 2, 0}},
                      {3840 + 1440, {5, 1, 0}}}},
        PositionCase{"LaterAtOneTickWinsInATrackAndAcrossTracks",
                     {{timeSignature(0, 3, 2), timeSignature(1920, 3, 2)},
                      {timeSignature(0, 5, 2), timeSignature(0, 2, 2), timeSignature(1920, 2, 2)}},
                     480,
                     {{480, {1, 2, 0}}, {960, {2, 1, 0}}, {1920, {3, 1, 0}}, {1920 + 960, {4, 1, 0}}}},
        PositionCase{"BeatOfNoWholeNumberOfTicksDoesNotDrift",
                     // 7/64 at 100 a quarter: 6.25 ticks a beat, 43.75 a bar.
                     {{timeSignature(0, 7, 6)}},
                     100,
                     {{24, {1, 4, 5}}, {25, {1, 5, 0}}, {44, {2, 1, 0}}, {175, {5, 1, 0}}}},
        PositionCase{"ChangeAfterAFractionalBar",
                     {{timeSignature(0, 7, 6), timeSignature(50, 4, 2)}},
                     100,
                     {{49, {2, 1, 5}}, {50, {3, 1, 0}}, {450, {4, 1, 0}}}},
        PositionCase{"DenominatorOneMakesAWholeNoteBeat",
                     {{timeSignature(0, 2, 0)}},
                     480,
                     {{1920, {1, 2, 0}}, {3839, {1, 2, 1919}}, {3840, {2, 1, 0}}}},
        PositionCase{"NumeratorZeroCountsFour",
                     {{timeSignature(0, 0, 3)}},
                     480,
                     {{240, {1, 2, 0}}, {959, {1, 4, 239}}, {960, {2, 1, 0}}}},
        PositionCase{"HugeDenominatorCountsQuarters",
                     {{timeSignature(0, 3, 255), timeSignature(1440, 3, 17)}},
                     480,
                     {{1439, {1, 3, 479}}, {1440, {2, 1, 0}}, {2880, {3, 1, 0}}}},
        PositionCase{"BeatShorterThanATickCountsQuarters",
                     // At 1 tick a quarter an eighth has no tick of its own; at 480, 1/1024 does.
                     {{timeSignature(0, 3, 3)}},
                     1,
                     {{2, {1, 3, 0}}, {3, {2, 1, 0}}}},
        PositionCase{"FinestBeatOfAWholeTick",
                     {{timeSignature(0, 2, 9)}},
                     128,
                     {{1, {1, 2, 0}}, {2, {2, 1, 0}}}},
        PositionCase{"DivisionZeroIsTakenAs480",
                     {{timeSignature(0, 3, 2)}},
                     0,
                     {{480, {1, 2, 0}}, {1440, {2, 1, 0}}}},
        PositionCase{"TimeSignatureCutShortIsIgnored",
                     {{MidiEvent{960, 0xFF, {0x58, 3}, 4}, MidiEvent{1200, 0xFF, {0x58}, 4}}},
                     480,
                     {{960, {1, 3, 0}}, {1920, {2, 1, 0}}}},
        PositionCase{"LastTickOfTheLargestMeters",
                     {{timeSignature(0, 255, 0)}},
                     0x7FFF,
                     {{kMaxTick, {129, 130, 3}}}},
        PositionCase{"BarNumberStopsAtItsLargest",
                     {{timeSignature(0, 1, 2), timeSignature(kMaxTick, 1, 2)}},
                     1,
                     {{kMaxTick - 2, {kMaxTick - 1, 1, 0}}, {kMaxTick - 1, {kMaxTick, 1, 0}}, {kMaxTick, {kMaxTick, 1, 0}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SongPosition, SmpteDivisionHasNoBars) {
    const MeterMap meters = meterMapOf({{timeSignature(0, 4, 2)}}, 0xE728);
    EXPECT_FALSE(positionAt(meters, 0).has_value());
    EXPECT_FALSE(positionAt(meters, 1000).has_value());
}

TEST(SongPosition, TextsGiveBarBeatAndTheTickOffTheBeat) {
    const struct {
        SongPosition position;
        const char* full;
        const wchar_t* brief;
    } cases[] = {
        {{3, 1, 0}, "3:1:000", L"3:1"},
        {{3, 1, 120}, "3:1:120", L"3:1:120"},
        {{12, 4, 5}, "12:4:005", L"12:4:005"},
        {{1, 2, 1919}, "1:2:1919", L"1:2:1919"},
        {{kMaxTick, 255, 0}, "4294967295:255:000", L"4294967295:255"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(positionText(c.position), c.full);
        EXPECT_EQ(shortPositionText(c.position), c.brief);
    }
}

}  // namespace
