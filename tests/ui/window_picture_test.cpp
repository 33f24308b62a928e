// The window as drawn, with a site loaded into the form: the regions show their
// colours, and the highlight follows the side bar. With QUILLMOOR_SCREENSHOT naming a
// file, the picture is also saved there (for looking at the window under Xvfb).
#include <QImage>
#include <QScreen>

#include "ui/ui_test_support.h"

namespace qm::test {
namespace {

class WindowPictureTest : public WindowTest {};

TEST_F(WindowPictureTest, LoadedSiteShowsEveryRegionInItsColours) {
    addProfile("news.example.com");
    addProfile("blog.example.com", "5", false);
    openWindow();
    refreshSiteList(window->runContext().siteList(), runDir);
    QCoreApplication::processEvents();
    selectRow(0);
    ASSERT_FALSE(c().domain->text().isEmpty());
    ASSERT_FALSE(c().domain->isEnabled());
    window->showPage(0);
    QCoreApplication::processEvents();

    const QImage picture = window->grab().toImage();
    if (const char* path = std::getenv("QUILLMOOR_SCREENSHOT"); path != nullptr && *path) {
        picture.save(QString::fromLocal8Bit(path));
    }
    ASSERT_EQ(picture.size(), QSize(1073, 620));
    // The chosen side-bar entry is highlighted; the bar around it keeps its colour.
    EXPECT_EQ(picture.pixelColor(170, 95 + 40), ui::kHighlightColour);
    EXPECT_EQ(picture.pixelColor(170, 95 + 87), ui::kWindowColour);
    // The header's accent line at its foot.
    EXPECT_EQ(picture.pixelColor(600, 95), ui::kHighlightColour);
    // A locked identity field is grey, a free one white (inside, clear of the text).
    const QPoint domainInside = c().domain->mapTo(window.get(), QPoint(300, 20));
    const QPoint titleInside = c().title->mapTo(window.get(), QPoint(455, 20));
    EXPECT_EQ(picture.pixelColor(domainInside), QColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(picture.pixelColor(titleInside), QColor(0xFF, 0xFF, 0xFF));
}

}  // namespace
}  // namespace qm::test
