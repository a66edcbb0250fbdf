#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "platform/QtText.h"

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

TEST_F(SiteServicesTest, ScriptErrorsShowADialogOnlyWhenNotBlocked)
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

    app().settings().blockscripterror = 0;
    CTabBrowserWnd* shown = open("/error");
    EXPECT_TRUE(wait_until([&] { return shown->findChild<QMessageBox*>() != nullptr; }));
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
