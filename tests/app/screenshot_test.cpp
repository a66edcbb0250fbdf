#include <QImage>
#include <QToolBar>

#include "AppFixture.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"

namespace {

// Counts pixels of a colour close to the given one inside a rectangle of the grab.
int pixels_near(const QImage& image, const QRect& area, QColor colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 30 && std::abs(c.green() - colour.green()) < 30 &&
                std::abs(c.blue() - colour.blue()) < 30)
                ++count;
        }
    return count;
}

TEST_F(AppTest, MainWindowDrawsBarsTabStripAndPages)
{
    pages_.set("/red", "<title>Red page</title><body style='margin:0;background:#d01010'>red</body>");
    pages_.set("/blue", "<title>Blue page</title><body style='margin:0;background:#1020d0'>blue</body>");
    ASSERT_TRUE(start({pages_.url("/red").toString()}));
    CMainFrame* frame = app().main_frame();
    frame->resize(1000, 700);
    app().OpenInNewTab(pages_.url("/blue").toString().toStdString());
    ASSERT_TRUE(wait_until([&] {
        const auto tabs = frame->tabs();
        return tabs.size() == 2 && tabs[1]->browser()->LocationName() == QStringLiteral("Blue page") &&
               !tabs[1]->browser()->busy();
    }));
    pump(300);  // let the page paint

    const QImage shot = frame->grab().toImage();
    if (const char* folder = std::getenv("MARVO_SCREENSHOT_DIR"))
        shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/main-window.png"));

    // The tab strip holds both tabs; the active page fills the tab area in its colour.
    CMDICtrlButton* strip = frame->tab_strip();
    ASSERT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->count(), 2);
    EXPECT_EQ(strip->active_index(), 1);
    EXPECT_EQ(frame->active_tab(), frame->tabs()[1]);
    EXPECT_EQ(strip->height(), 26);
    const QRect area(frame->mdi_area()->mapTo(frame, QPoint(0, 0)), frame->mdi_area()->size());
    EXPECT_GT(pixels_near(shot, area.adjusted(20, 40, -20, -20), QColor(0x10, 0x20, 0xd0)), area.width() * 10);
    // The bars were drawn: the navigation bar's area is not blank.
    QToolBar* navigation = frame->band(QString::fromUtf8(CMainFrame::kNaviBarBand));
    ASSERT_TRUE(navigation->isVisible());
    const QRect bar(navigation->mapTo(frame, QPoint(0, 0)), navigation->size());
    const QColor background = shot.pixelColor(bar.right() - 2, bar.center().y());
    EXPECT_LT(pixels_near(shot, bar, background), bar.width() * bar.height() * 95 / 100);
}

} // namespace
