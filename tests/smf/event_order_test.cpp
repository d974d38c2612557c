#include <gtest/gtest.h>

#include <algorithm>

#include "smf/event_order.h"
#include "song/midi_event.h"
#include "support/smf_builder.h"

namespace {

// The track's events in the order orderEvents puts them in.
Track ordered(const Track& track) {
    EventRefs refs;
    for (const MidiEvent& e : track) {
        refs.push_back(&e);
    }
    orderEvents(refs);
    Track result;
    for (const MidiEvent* e : refs) {
        result.push_back(*e);
    }
    return result;
}

TEST(EventOrder, ClassesFollowTheHighNibbleAndVelocity) {
    EXPECT_EQ(eventClass(ev(0, 0x89, {0x24, 0x40})), EventClass::NoteOff);
    EXPECT_EQ(eventClass(ev(0, 0x80, {})), EventClass::NoteOff);
    EXPECT_EQ(eventClass(ev(0, 0x99, {0x24, 0x00})), EventClass::NoteOff);
    EXPECT_EQ(eventClass(ev(0, 0x93, {0x24, 0x01})), EventClass::NoteOn);
    EXPECT_EQ(eventClass(ev(0, 0x99, {0x24})), EventClass::NoteOn);  // one data byte: a start
    EXPECT_EQ(eventClass(ev(0, 0xA9, {0x24, 0x00})), EventClass::Other);
    EXPECT_EQ(eventClass(meta(0, 0x51, {1, 2, 3})), EventClass::Other);
}

TEST(EventOrder, ReleaseThenStartThenEverythingElseAtOneTick) {
    Track track = {ev(5, 0xB9, {0x07, 0x64}), ev(5, 0x99, {0x24, 0x64}), ev(5, 0x89, {0x24, 0x40})};
    EXPECT_EQ(ordered(track), Track({ev(5, 0x89, {0x24, 0x40}), ev(5, 0x99, {0x24, 0x64}), ev(5, 0xB9, {0x07, 0x64})}));
}

TEST(EventOrder, VelocityZeroStartComesBeforeARealStart) {
    Track track = {ev(0, 0x99, {0x26, 0x64}), ev(0, 0x99, {0x24, 0x00})};
    EXPECT_EQ(ordered(track), Track({ev(0, 0x99, {0x24, 0x00}), ev(0, 0x99, {0x26, 0x64})}));
}

TEST(EventOrder, MetaAndProgramChangeComeAfterNotesAtTheirTick) {
    Track track = {meta(0, 0x51, {7, 0xA1, 0x20}), ev(0, 0xC9, {1}), ev(0, 0x99, {0x24, 0x64})};
    EXPECT_EQ(ordered(track).front(), ev(0, 0x99, {0x24, 0x64}));
}

TEST(EventOrder, TicksCompareUnsigned) {
    EXPECT_TRUE(eventOrderLess(ev(0, 0xC9, {1}), ev(0xFFFFFFFF, 0x89, {1, 2})));
    EXPECT_FALSE(eventOrderLess(ev(0xFFFFFFFF, 0x89, {1, 2}), ev(0, 0xC9, {1})));
}

TEST(EventOrder, TiesKeepTheirCollectedOrder) {
    // A bank select, then its program change, then a second note start, all at one tick.
    Track track = {ev(10, 0x99, {0x24, 0x64}), ev(10, 0xB9, {0x00, 0x01}), ev(10, 0xC9, {0x05}),
                   ev(10, 0x99, {0x26, 0x64}), ev(0, 0x99, {0x2A, 0x64})};
    EXPECT_EQ(ordered(track), Track({ev(0, 0x99, {0x2A, 0x64}), ev(10, 0x99, {0x24, 0x64}), ev(10, 0x99, {0x26, 0x64}),
                            ev(10, 0xB9, {0x00, 0x01}), ev(10, 0xC9, {0x05})}));
}

TEST(EventOrder, NothingButTickAndClassIsAKey) {
    // Different channels, notes and velocities at one tick and class: neither is less.
    EXPECT_FALSE(eventOrderLess(ev(3, 0x90, {0x10, 0x01}), ev(3, 0x99, {0x7F, 0x7F})));
    EXPECT_FALSE(eventOrderLess(ev(3, 0x99, {0x7F, 0x7F}), ev(3, 0x90, {0x10, 0x01})));
}

}  // namespace

namespace {

// Tracks of random ticks, and tracks gathered from several runs in time order
// as a drum track is, must come out as a stable sort by eventOrderLess leaves them.
TEST(EventOrder, TracksOrderLikeAStableSort) {
    std::uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (const std::size_t size : {63u, 1000u, 50000u}) {
        for (const std::uint32_t tickRange : {4u, 1000u, 0xFFFFFFFFu}) {
            for (const std::size_t runs : {0u, 1u, 2u, 7u}) {  // 0: ticks at random
                Track track;
                std::uint32_t tick = 0;
                for (std::size_t i = 0; i < size; ++i) {
                    const std::uint32_t r = next();
                    const std::uint8_t statuses[] = {0x89, 0x99, 0xB9, 0xFF};
                    const std::uint8_t status = statuses[(r >> 8) & 3];
                    const std::uint8_t velocity = (r >> 12) & 1 ? 0 : 0x40;
                    if (runs == 0) {
                        tick = tickRange == 0xFFFFFFFFu ? next() : next() % tickRange;
                    } else if (i % (size / runs + 1) == 0) {
                        tick = next() % tickRange;  // a new run starts
                    } else {
                        tick += next() % 3;
                    }
                    track.push_back(ev(tick, status, {std::uint8_t(i & 0x7F), velocity, std::uint8_t(i >> 7)}));
                }
                Track expected = track;
                std::stable_sort(expected.begin(), expected.end(), eventOrderLess);
                ASSERT_EQ(ordered(track), expected) << size << " events, ticks below " << tickRange << ", "
                                                    << runs << " runs";
            }
        }
    }
}

TEST(EventOrder, SortedLongTrackIsLeftAsItIs) {
    Track track;
    for (std::uint32_t i = 0; i < 1000; ++i) {
        track.push_back(ev(i / 3, 0x99, {std::uint8_t(i & 0x7F), 0x40}));
    }
    const Track before = track;
    EXPECT_EQ(ordered(track), before);
}

}  // namespace
