#include "ui/layout.h"

#include <gtest/gtest.h>

TEST(Layout, ClientOf744By521PlacesEveryControl) {
    const MainLayout layout = computeLayout(744, 521);
    EXPECT_EQ(layout.drumList, (Rect{10, 10, 724, 371}));
    EXPECT_EQ(layout.statusLine, (Rect{10, 381, 724, 22}));
    EXPECT_EQ(layout.overwriteCheckBox, (Rect{14, 421, 724, 20}));
    EXPECT_EQ(layout.inputFileLabel, (Rect{10, 451, 724, 20}));
    EXPECT_EQ(layout.splitInsertButton, (Rect{10, 481, 234, 30}));
    EXPECT_EQ(layout.splitOverwriteButton, (Rect{254, 481, 234, 30}));
    EXPECT_EQ(layout.format1Button, (Rect{498, 481, 234, 30}));
}

TEST(Layout, ButtonWidthIsAThirdOfWhatTheMarginsLeaveElse100) {
    const struct {
        int clientWidth;
        int buttonWidth;
    } cases[] = {
        {-5, 100}, {0, 100}, {40, 100}, {41, 0}, {42, 0}, {43, 1}, {45, 1}, {46, 2}, {744, 234}, {745, 235},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clientWidth);
        EXPECT_EQ(buttonWidth(c.clientWidth), c.buttonWidth);
        const MainLayout layout = computeLayout(c.clientWidth, 521);
        EXPECT_EQ(layout.splitInsertButton.x, 10);
        EXPECT_EQ(layout.splitOverwriteButton.x, c.buttonWidth + 20);
        EXPECT_EQ(layout.format1Button.x, 2 * c.buttonWidth + 30);
        EXPECT_EQ(layout.format1Button.width, c.buttonWidth);
    }
}

TEST(Layout, TinyClientGivesNegativeSizesUnclamped) {
    const MainLayout layout = computeLayout(0, 0);
    EXPECT_EQ(layout.drumList, (Rect{10, 10, -20, -150}));
    EXPECT_EQ(layout.statusLine, (Rect{10, -140, -20, 22}));
    EXPECT_EQ(layout.splitInsertButton, (Rect{10, -40, 100, 30}));
}
