#include <QBuffer>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "app/ChildFrame.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "share/Downloader.h"

namespace {

class SiteServicesTest : public AppTest {
protected:
    CTabBrowserWnd* open(const QString& path)
    {
        CTabBrowserWnd* tab = app().OpenInNewTab(platform::from_qstring(pages_.url(path).toString()));
        EXPECT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url(path) && !tab->busy(); }));
        return tab;
    }
};

QByteArray png_of(const QColor& colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor colour_of(const QIcon& icon)
{
    return icon.isNull() ? QColor() : icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

TEST_F(SiteServicesTest, TheTabShowsTheSiteIconFetchedOnceIntoTheTempFolder)
{
    pages_.set("/plain", "<title>Plain</title>plain");
    pages_.set("/again", "<title>Again</title>again");
    pages_.set("/declared", "<title>Declared</title><link rel='Shortcut Icon' href='icons/blue.png'>declared");
    pages_.set_bytes("/favicon.ico", png_of(Qt::red));
    pages_.set_bytes("/icons/blue.png", png_of(Qt::blue));
    ASSERT_TRUE(start());
    CMainFrame* frame = app().main_frame();

    // Without a declared icon the tab strip shows the site's "/favicon.ico", fetched once into
    // the temp folder for every page of the site, also for two tabs loading at once.
    CTabBrowserWnd* tab = app().OpenInNewTab(platform::from_qstring(pages_.url("/plain").toString()));
    CTabBrowserWnd* second = app().OpenInNewTab(platform::from_qstring(pages_.url("/again").toString()));
    ASSERT_TRUE(wait_until([&] { return !tab->site_icon().isNull() && !second->site_icon().isNull(); }));
    EXPECT_EQ(colour_of(frame->site_icon(tab->frame())), QColor(Qt::red));
    EXPECT_EQ(colour_of(second->site_icon()), QColor(Qt::red));
    const std::string cached = share::Downloader::local_cache_path(
        app().folders().temp.string(), pages_.url("/favicon.ico").toString().toStdString());
    EXPECT_TRUE(std::filesystem::exists(cached));
    CTabBrowserWnd* third = open("/again");
    ASSERT_TRUE(wait_until([&] { return !third->site_icon().isNull(); }));
    EXPECT_EQ(pages_.hits("/favicon.ico"), 1);

    // A declared icon, relative to its page, comes first.
    tab->Navigate(pages_.url("/declared"));
    EXPECT_TRUE(wait_until([&] { return colour_of(tab->site_icon()) == QColor(Qt::blue); }));
    EXPECT_EQ(pages_.hits("/icons/blue.png"), 1);

    // The engine's error page shows no icon, not the last page's.
    tab->Navigate(QUrl(QStringLiteral("http://127.0.0.1:1/")));
    EXPECT_TRUE(wait_until([&] { return tab->site_icon().isNull(); }));
    EXPECT_EQ(pages_.hits("/favicon.ico"), 1);

    // With the pages' scripts switched off the declared icon is still found.
    pages_.set("/scriptless", "<title>Scriptless</title><link rel='icon' href='icons/green.png'>scriptless");
    pages_.set_bytes("/icons/green.png", png_of(Qt::green));
    app().settings().securityflag |= settings::kNoScripts;
    CTabBrowserWnd* scriptless = open("/scriptless");
    EXPECT_TRUE(wait_until([&] { return colour_of(scriptless->site_icon()) == QColor(Qt::green); }));
    app().settings().securityflag &= ~settings::kNoScripts;
}

TEST_F(SiteServicesTest, ScriptErrorsShowOneBoxListingThemOnlyWhenNotBlocked)
{
    pages_.set("/error", "<title>Error</title><script>undefined_function();</script>");
    pages_.set("/next", "<title>Next</title>next");
    ASSERT_TRUE(start());
    app().settings().blockscripterror = 1;
    CTabBrowserWnd* blocked = open("/error");
    // The next page loading in the same tab shows the error had its chance to be reported.
    blocked->Navigate(pages_.url("/next"));
    ASSERT_TRUE(wait_until([&] { return blocked->LocationName() == QStringLiteral("Next"); }));
    EXPECT_EQ(blocked->findChild<QMessageBox*>(), nullptr);

    // One box for the page lists its uncaught errors; the page's own console.error calls and
    // a picture that fails to load are no script errors.
    pages_.set("/errors", "<title>Errors</title><img src='/missing.png'><script>console.error('logged');"
                          "setTimeout(() => { throw new Error('second'); }, 0);"
                          "throw new Error('first');</script>");
    app().settings().blockscripterror = 0;
    CTabBrowserWnd* shown = open("/errors");
    const auto boxes = [&] { return shown->findChildren<QMessageBox*>(); };
    ASSERT_TRUE(wait_until([&] { return boxes().size() == 1 && boxes().front()->text().contains("second"); }));
    // Whatever the console was told by then has arrived once the renderer answers.
    bool answered = false;
    shown->page()->runJavaScript(QStringLiteral("1"), [&](const QVariant&) { answered = true; });
    ASSERT_TRUE(wait_until([&] { return answered; }));
    ASSERT_EQ(boxes().size(), 1);
    const QString text = boxes().front()->text();
    EXPECT_TRUE(text.contains("first"));
    EXPECT_FALSE(text.contains("logged"));
    EXPECT_FALSE(text.contains("missing"));
}

TEST_F(SiteServicesTest, NewPagesTakeTheDownloadControlFlags)
{
    pages_.set("/script", "<title>static</title><script>document.title = 'ran';</script>");
    ASSERT_TRUE(start());
    CTabBrowserWnd* scripted = open("/script");
    EXPECT_TRUE(wait_until([&] { return scripted->LocationName() == QStringLiteral("ran"); }));

    app().settings().securityflag |= settings::kNoScripts;
    CTabBrowserWnd* plain = open("/script");
    EXPECT_TRUE(wait_until([&] { return plain->LocationName() == QStringLiteral("static"); }));
    EXPECT_EQ(plain->LocationName(), QStringLiteral("static"));

    // Without videos nothing plays before a click, sounds on or not; without sounds the page
    // is muted.
    pages_.set("/autoplay", "<title>waiting</title><script>new Audio('/tone.wav').play()"
                            ".then(() => document.title = 'played', e => document.title = e.name)</script>");
    app().settings().securityflag &= ~(settings::kNoScripts | settings::kPlayVideos);
    app().settings().securityflag |= settings::kPlaySounds;
    CTabBrowserWnd* media = open("/autoplay");
    EXPECT_TRUE(wait_until([&] { return media->LocationName() == QStringLiteral("NotAllowedError"); }));
    EXPECT_FALSE(media->page()->isAudioMuted());
    app().settings().securityflag &= ~settings::kPlaySounds;
    media->apply_settings();
    EXPECT_TRUE(media->page()->isAudioMuted());

    // The tab's own mute (its context menu) holds when sounds are switched on again.
    app().settings().securityflag |= settings::kPlaySounds;
    app().main_frame()->route(res::cmd::kMuteTab);
    EXPECT_TRUE(app().main_frame()->command_state(res::cmd::kMuteTab).checked);
    media->apply_settings();
    EXPECT_TRUE(media->page()->isAudioMuted());
    app().main_frame()->route(res::cmd::kMuteTab);
    EXPECT_FALSE(media->page()->isAudioMuted());
}

TEST_F(SiteServicesTest, RightClickShowsTheEnginesOwnContextMenu)
{
    pages_.set("/page", "<title>Page</title><p style='height:400px'>text</p>");
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = open("/page");
    QWidget* input = tab->view()->focusProxy();
    ASSERT_NE(input, nullptr);
    // The page takes input once its renderer is ready: click again until a menu answers.
    QMenu* menu = nullptr;
    QElapsedTimer since_click;
    EXPECT_TRUE(wait_until([&] {
        for (QMenu* candidate : tab->view()->findChildren<QMenu*>())
            if (candidate->isVisible())
                menu = candidate;
        if (!menu && (!since_click.isValid() || since_click.elapsed() > 500)) {
            QTest::mouseClick(input, Qt::RightButton, {}, QPoint(20, 20));
            since_click.start();
        }
        return menu != nullptr;
    }));
    if (menu) {
        EXPECT_FALSE(menu->actions().isEmpty());
        menu->close();
    }
}

} // namespace
