// Everyday browsing on a real display: the find bar, the permission bar and the downloads window.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEngineView>

#include "DisplayTest.h"
#include "app/BrowserPage.h"
#include "app/Downloads.h"
#include "app/DownloadsWindow.h"
#include "app/FileServer.h"
#include "app/FindBar.h"
#include "app/PermissionBar.h"

namespace {

bool near(QRgb pixel, QColor expected, int tolerance = 24)
{
    const QColor c(pixel);
    return std::abs(c.red() - expected.red()) <= tolerance && std::abs(c.green() - expected.green()) <= tolerance &&
           std::abs(c.blue() - expected.blue()) <= tolerance;
}

const QColor kPage(40, 150, 90);
const QString kGreenPage =
    QStringLiteral("<body style='background:rgb(40,150,90);font-size:28px'><p>Apple one</p><p>apple two</p>"
                   "<p>APPLE three</p></body>");

class BrowsingDisplay : public DisplayTest {
protected:
    void TearDown() override
    {
        DisplayTest::TearDown();
        DownloadManager::choose_path = nullptr;
    }
};

// Ctrl+F opens the bar over the page; typing finds, and a word that is not there turns the
// field red and says so.
TEST_F(BrowsingDisplay, FindBarShowsMatchesAndNotFound)
{
    pages_.set("/find", "<title>find</title>" + kGreenPage);
    start_shown("/find", "find");
    QWidget* input = browser()->view()->focusProxy();
    ASSERT_TRUE(input);
    ASSERT_TRUE(screen::click(input, QPoint(400, 300)));
    ASSERT_TRUE(screen::keys({"ctrl+f"}));
    FindBar* bar = browser()->find_bar();
    ASSERT_TRUE(wait_until([&] { return bar->isVisible() && bar->edit()->hasFocus(); }));
    ASSERT_TRUE(screen::type("apple"));
    ASSERT_TRUE(wait_until([&] { return bar->matches() == 3; })) << bar->result_text().toStdString();
    const int first = bar->active_match();
    ASSERT_TRUE(screen::keys({"Return"}));
    ASSERT_TRUE(wait_until([&] { return bar->active_match() == first % 3 + 1; }));
    EXPECT_EQ(bar->result_text(), QStringLiteral("%1 / 3 件").arg(first % 3 + 1));
    // The bar stands above the page: where it is, the page's green is not.
    ASSERT_TRUE(wait_until([&] { return !near(screen::pixel(bar, QPoint(bar->width() - 60, bar->height() / 2)), kPage); }));
    EXPECT_TRUE(near(screen::pixel(browser()->view(), QPoint(browser()->view()->width() - 30, 200)), kPage));
    save_shot("find-bar");

    ASSERT_TRUE(screen::type("zzz"));
    ASSERT_TRUE(wait_until([&] { return bar->result_text() == "見つかりません"; }));
    save_shot("find-bar-not-found");
    QLineEdit* edit = bar->edit();
    ASSERT_TRUE(wait_until([&] { return near(screen::pixel(edit, QPoint(edit->width() - 40, edit->height() / 2)), QColor(0xff, 0xd6, 0xd6), 12); }));

    ASSERT_TRUE(screen::keys({"Escape"}));
    ASSERT_TRUE(wait_until([&] { return !bar->isVisible(); }));
}

// A site's request shows the permission bar across the top of the page, the page still shown
// beneath it; the bar's "allow", clicked on the screen, answers the page.
TEST_F(BrowsingDisplay, PermissionBarStandsOverThePageAndItsAllowAnswers)
{
    pages_.set("/ask", "<title>asking</title>" + kGreenPage);
    start_shown("/ask", "asking");
    browser()->page()->runJavaScript(
        "Notification.requestPermission().then(answer => { document.title = answer; })");
    PermissionBar* bar = browser()->permission_bar();
    ASSERT_TRUE(wait_until([&] { return bar->isVisible(); }));
    QPushButton* allow = bar->allow_button();
    ASSERT_TRUE(wait_until([&] { return !near(screen::pixel(bar, QPoint(bar->width() / 2, bar->height() / 2)), kPage); }));
    // The page goes on showing beneath it (its first frame under the bar may come a little later).
    EXPECT_TRUE(wait_until([&] { return near(screen::pixel(browser()->view(), QPoint(browser()->view()->width() / 2, 200)), kPage); }));
    save_shot("permission-bar");

    ASSERT_TRUE(screen::click(allow, allow->rect().center()));
    ASSERT_TRUE(wait_until([&] { return browser()->LocationName() == "granted"; }));
    EXPECT_FALSE(bar->isVisible());
}

// A download in progress shows in the downloads window with its progress, speed and time left.
TEST_F(BrowsingDisplay, DownloadsWindowShowsProgress)
{
    FileServer files;
    files.set("/report.bin", QByteArray(6 * 1024 * 1024, 'x'), FileServer::Ending::Stall);
    files.set("/done.txt", QByteArray("finished"));
    const QString folder = QString::fromStdString((data_.path() / "saved").string());
    QDir().mkpath(folder);
    DownloadManager::choose_path = [&](const QString& proposed) { return QDir(folder).filePath(QFileInfo(proposed).fileName()); };
    pages_.set("/", "<title>start</title>" + kGreenPage);
    start_shown("/", "start");

    DownloadManager& manager = *app().downloads();
    browser()->Navigate(files.url("/done.txt"));
    ASSERT_TRUE(wait_until([&] { return !manager.downloads().empty() && manager.downloads().back().state == Download::State::Completed; }));
    browser()->Navigate(files.url("/report.bin"));
    ASSERT_TRUE(wait_until([&] { return manager.downloads().size() == 2 && manager.downloads().back().received > 0; }));
    auto* window = frame()->findChild<DownloadsWindow*>();
    ASSERT_TRUE(window);
    window->move(frame()->geometry().center() - QPoint(280, 180));
    window->raise();
    DownloadRow* running = window->row(1);
    ASSERT_TRUE(running);
    ASSERT_TRUE(wait_until([&] { return running->status()->text().contains(" / 6.0 MB"); }));
    // The window is on the screen over the page: its cancel button is where the page's green was.
    QPushButton* cancel = running->cancel_button();
    ASSERT_TRUE(wait_until([&] { return cancel->isVisible() && !near(screen::pixel(cancel, cancel->rect().center()), kPage); }));
    save_shot("downloads-window");

    ASSERT_TRUE(screen::click(cancel, cancel->rect().center()));
    ASSERT_TRUE(wait_until([&] { return manager.downloads().back().state == Download::State::Cancelled; }));
    files.release();
    EXPECT_EQ(running->status()->text(), "キャンセルしました");
    EXPECT_TRUE(window->row(0)->open_button()->isVisible());
}

} // namespace
