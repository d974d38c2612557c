#include <gtest/gtest.h>

#include "smf/event_order.h"
#include "support/smf_builder.h"

namespace {

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
    orderTrackEvents(track);
    EXPECT_EQ(track, Track({ev(5, 0x89, {0x24, 0x40}), ev(5, 0x99, {0x24, 0x64}), ev(5, 0xB9, {0x07, 0x64})}));
}

TEST(EventOrder, VelocityZeroStartComesBeforeARealStart) {
    Track track = {ev(0, 0x99, {0x26, 0x64}), ev(0, 0x99, {0x24, 0x00})};
    orderTrackEvents(track);
    EXPECT_EQ(track, Track({ev(0, 0x99, {0x24, 0x00}), ev(0, 0x99, {0x26, 0x64})}));
}

TEST(EventOrder, MetaAndProgramChangeComeAfterNotesAtTheirTick) {
    Track track = {meta(0, 0x51, {7, 0xA1, 0x20}), ev(0, 0xC9, {1}), ev(0, 0x99, {0x24, 0x64})};
    orderTrackEvents(track);
    EXPECT_EQ(track.front(), ev(0, 0x99, {0x24, 0x64}));
}

TEST(EventOrder, TicksCompareUnsigned) {
    EXPECT_TRUE(eventOrderLess(ev(0, 0xC9, {1}), ev(0xFFFFFFFF, 0x89, {1, 2})));
    EXPECT_FALSE(eventOrderLess(ev(0xFFFFFFFF, 0x89, {1, 2}), ev(0, 0xC9, {1})));
}

TEST(EventOrder, TiesKeepTheirCollectedOrder) {
    // A bank select, then its program change, then a second note start, all at one tick.
    Track track = {ev(10, 0x99, {0x24, 0x64}), ev(10, 0xB9, {0x00, 0x01}), ev(10, 0xC9, {0x05}),
                   ev(10, 0x99, {0x26, 0x64}), ev(0, 0x99, {0x2A, 0x64})};
    orderTrackEvents(track);
    EXPECT_EQ(track, Track({ev(0, 0x99, {0x2A, 0x64}), ev(10, 0x99, {0x24, 0x64}), ev(10, 0x99, {0x26, 0x64}),
                            ev(10, 0xB9, {0x00, 0x01}), ev(10, 0xC9, {0x05})}));
}

TEST(EventOrder, NothingButTickAndClassIsAKey) {
    // Different channels, notes and velocities at one tick and class: neither is less.
    EXPECT_FALSE(eventOrderLess(ev(3, 0x90, {0x10, 0x01}), ev(3, 0x99, {0x7F, 0x7F})));
    EXPECT_FALSE(eventOrderLess(ev(3, 0x99, {0x7F, 0x7F}), ev(3, 0x90, {0x10, 0x01})));
}

}  // namespace
