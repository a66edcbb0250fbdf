#include <QMdiArea>
#include <QMenu>
#include <QToolBar>

#include "AppFixture.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/SiteSearchBand.h"
#include "app/TabBrowserWnd.h"
#include "app/ToolBands.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

namespace {

class ToolBandTest : public AppTest {
protected:
    // The program's own band, created through the rebar menu as a user would.
    CSiteSearchBand* open_site_search_band()
    {
        ToolBands* bands = ToolBands::of(app().main_frame());
        QMenu* menu = bands->rebar_menu(app().main_frame());
        QAction* item = nullptr;
        for (QAction* action : menu->actions())
            if (action->data().toInt() == res::cmd::kToolBandItem)
                item = action;
        if (!item)
            return nullptr;
        item->trigger();
        delete menu;
        const auto& entries = bands->entries();
        const auto it = std::find_if(entries.begin(), entries.end(), [](const ToolBands::Entry& e) {
            return e.class_id == QLatin1String(ToolBands::kSiteSearchBand);
        });
        return it != entries.end() ? dynamic_cast<CSiteSearchBand*>(it->band.get()) : nullptr;
    }
};

TEST_F(ToolBandTest, TheBandReadsTheActiveTabsAddressAcrossTabSwitches)
{
    pages_.set("/one", "<title>One</title>one");
    pages_.set("/two", "<title>Two</title>two");
    ASSERT_TRUE(start({pages_.url("/one").toString()}));
    CMainFrame* frame = app().main_frame();
    CTabBrowserWnd* one = app().ActiveBrowser();
    ASSERT_TRUE(wait_until([&] { return one->LocationName() == QStringLiteral("One"); }));

    CSiteSearchBand* band = open_site_search_band();
    ASSERT_NE(band, nullptr);
    ASSERT_NE(band->site(), nullptr);
    EXPECT_EQ(band->site()->LocationURL(), pages_.url("/one"));

    CTabBrowserWnd* two = app().OpenInNewTab(platform::from_qstring(pages_.url("/two").toString()));
    ASSERT_TRUE(wait_until([&] { return two->LocationName() == QStringLiteral("Two"); }));
    EXPECT_EQ(band->site()->LocationURL(), pages_.url("/two"));
    frame->mdi_area()->setActiveSubWindow(one->frame());
    EXPECT_EQ(band->site()->LocationURL(), pages_.url("/one"));
    EXPECT_EQ(band->site()->LocationName(), QStringLiteral("One"));

    // The band acts on the active tab: a site search for the page's host.
    app().settings().searchstring = platform::from_qstring(pages_.url("/s?q=").toString());
    pages_.set("/s?q=memo+site:127.0.0.1", "<title>Found</title>found");
    band->search(QStringLiteral("memo"));
    EXPECT_TRUE(wait_until([&] { return one->LocationName() == QStringLiteral("Found"); }));

    // With no tab open the hidden browser answers, with nothing.
    frame->route(res::cmd::kCloseAll);
    ASSERT_TRUE(wait_until([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed tabs go
        return app().ActiveBrowser() == nullptr;
    }));
    EXPECT_TRUE(band->site()->LocationURL().isEmpty());
    EXPECT_TRUE(band->search_url(QStringLiteral("memo")).isEmpty());

    // The menu item shows and hides the band.
    QMenu* menu = ToolBands::of(frame)->rebar_menu(frame);
    QAction* item = menu->actions().back();
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(ToolBands::of(frame)->entries().front().bar->isVisible());
    delete menu;
}

TEST_F(ToolBandTest, AShownBandComesBackWithTheSavedLayout)
{
    ASSERT_TRUE(start());
    ASSERT_NE(open_site_search_band(), nullptr);
    app().main_frame()->close();
    delete app().main_frame();
    app().settings() = settings::Settings();
    ASSERT_TRUE(start());
    const auto& entries = ToolBands::of(app().main_frame())->entries();
    ASSERT_FALSE(entries.empty());
    ASSERT_TRUE(entries.front().bar);
    EXPECT_TRUE(entries.front().bar->isVisible());
    EXPECT_NE(dynamic_cast<CSiteSearchBand*>(entries.front().band.get())->site(), nullptr);
}

} // namespace
