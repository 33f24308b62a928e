// The side bar's page switching and the header: drag on the header picture only,
// minimise, close, and the link pictures.
#include <QTabWidget>
#include <QTimer>

#include "ui/ui_test_support.h"

namespace qm::test {
namespace {

class SideBarTest : public WindowTest {
  protected:
    void SetUp() override { openWindow(); }

    void press(QWidget* widget, QPoint at = QPoint(10, 10)) {
        QTest::mousePress(widget, Qt::LeftButton, {}, at);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    }

    // The highlighted entries, by number.
    std::vector<int> highlighted() const {
        std::vector<int> lit;
        for (int k = 0; k < ui::kSideEntries; ++k) {
            const QColor colour = c().sideEntries[k]->background();
            if (colour == ui::kHighlightColour) {
                lit.push_back(k);
            } else {
                EXPECT_EQ(colour, ui::kWindowColour) << k;
            }
        }
        return lit;
    }
};

TEST_F(SideBarTest, EachEntryShowsItsPageAndIsTheOnlyOneHighlighted) {
    for (int k : {1, 0, 3, 2, 1}) {
        SCOPED_TRACE(k);
        press(c().sideEntries[k]);
        EXPECT_EQ(c().pages->currentIndex(), k);
        EXPECT_EQ(highlighted(), std::vector<int>{k});
    }
    // Pressing the same entry again keeps its page and its highlight.
    press(c().sideEntries[1]);
    EXPECT_EQ(c().pages->currentIndex(), 1);
    EXPECT_EQ(highlighted(), std::vector<int>{1});
    EXPECT_TRUE(c().log->isVisible());
}

TEST_F(SideBarTest, OtherButtonsThanTheLeftDoNothing) {
    QTest::mousePress(c().sideEntries[1], Qt::RightButton);
    EXPECT_EQ(c().pages->currentIndex(), 0);
    EXPECT_TRUE(highlighted().empty());
}

TEST_F(SideBarTest, DragOnTheHeaderPictureMovesTheWindow) {
    const QPoint start = window->pos();
    QTest::mousePress(c().header, Qt::LeftButton, {}, QPoint(400, 40));
    QTest::mouseMove(c().header, QPoint(430, 60));
    QTest::mouseRelease(c().header, Qt::LeftButton, {}, QPoint(430, 60));
    EXPECT_EQ(window->pos(), start + QPoint(30, 20));
}

TEST_F(SideBarTest, LogoAndBannerOpenTheirPagesWithoutDragging) {
    const QPoint start = window->pos();
    QTest::mousePress(c().logo, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(c().logo, QPoint(50, 40));
    QTest::mouseRelease(c().logo, Qt::LeftButton, {}, QPoint(50, 40));
    press(c().banner);
    press(c().infoLink);
    EXPECT_EQ(window->pos(), start);
    ASSERT_EQ(openedUrls.size(), 3u);
    EXPECT_EQ(openedUrls[0], ui::kHomePageUrl);
    EXPECT_EQ(openedUrls[1], ui::kInfoPageUrl);
    EXPECT_EQ(openedUrls[2], ui::kInfoPageUrl);
    EXPECT_NE(ui::kHomePageUrl, ui::kInfoPageUrl);
}

TEST_F(SideBarTest, MinimiseButtonMinimisesTheWindow) {
    click(c().minimise);
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
}

TEST_F(SideBarTest, ShowingTheLogWhileRunningLeavesTheRunAlone) {
    closeWindow();
    openWindow(&holdingClock);
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return holdingClock.held() == 1; }));
    const QString before = logText();
    press(c().sideEntries[1]);
    press(c().sideEntries[1]);
    EXPECT_EQ(window->runner().state(), RunState::Looping);
    EXPECT_EQ(logText(), before);
    EXPECT_FALSE(c().startButton->isEnabled());
    EXPECT_EQ(holdingClock.held(), 1);
}

TEST_F(SideBarTest, CloseButtonEndsTheRunAndClosesTheWindow) {
    closeWindow();
    openWindow(&holdingClock);
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return holdingClock.held() == 1; }));
    click(c().close);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->runner().state(), RunState::Idle);
    EXPECT_EQ(holdingClock.held(), 0);
    EXPECT_FALSE(window->watchdogTimer()->isActive());
}

}  // namespace
}  // namespace qm::test
