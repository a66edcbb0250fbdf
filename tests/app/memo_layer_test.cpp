// Memos drawn over live pages with real mouse events, stored and shown again.
#include <QMouseEvent>
#include <QTest>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "memo/PackageCache.h"
#include "memo/ui/LayerWnd.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

namespace {

const QString kTallPage = QStringLiteral(
    "<title>Memo</title><body style='margin:0;background:#ffffff'>"
    "<div style='height:3000px'></div></body>");

bool is_white(QRgb px)
{
    return qRed(px) > 245 && qGreen(px) > 245 && qBlue(px) > 245;
}

class MemoLayerTest : public AppTest {
protected:
    CTabBrowserWnd* start_on(const QString& path)
    {
        if (!start({pages_.url(path).toString()}))
            return nullptr;
        CTabBrowserWnd* tab = app().main_frame()->tabs().front()->browser();
        EXPECT_TRUE(wait_until([&] {
            return tab->LocationURL() == pages_.url(path) && !tab->busy() && tab->view()->focusProxy();
        }));
        return tab;
    }
    std::string url(const QString& path) const { return platform::from_qstring(pages_.url(path).toString()); }
    // A pixel of the main frame's grab at a point of the tab's view.
    QRgb frame_pixel(CTabBrowserWnd* tab, QPoint at)
    {
        CMainFrame* frame = app().main_frame();
        const QImage shot = frame->grab().toImage();
        return shot.pixel(tab->view()->mapTo(frame, at));
    }
    void drag(CTabBrowserWnd* tab, QPoint from, QPoint to, int steps = 8)
    {
        QWidget* input = tab->view()->focusProxy();
        QTest::mouseMove(input, from);
        QTest::mousePress(input, Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(input, from + (to - from) * i / steps);
        QTest::mouseRelease(input, Qt::LeftButton, {}, to);
    }
};

TEST_F(MemoLayerTest, StrokeDrawnOverAPageIsSavedAtCloseAndShownAtTheNextStart)
{
    pages_.set("/memo", kTallPage);
    CTabBrowserWnd* tab = start_on("/memo");
    ASSERT_TRUE(tab);
    ASSERT_TRUE(wait_until([&] { return is_white(frame_pixel(tab, {150, 100})); }));

    app().main_frame()->route(res::cmd::kFreehandTool);
    ASSERT_TRUE(app().drawing_tool_active());
    drag(tab, {50, 100}, {250, 100});
    auto pkg = app().package_cache().lookup(url("/memo"), false);
    ASSERT_TRUE(pkg);
    ASSERT_EQ(pkg->size(), 1u);
    EXPECT_EQ(pkg->at(0).kind(), memo::MemoKind::Stroke);
    EXPECT_EQ(dynamic_cast<const memo::StrokeObject&>(pkg->at(0)).points.front(), (memo::Point{50, 100}));
    EXPECT_TRUE(wait_until([&] { return !is_white(frame_pixel(tab, {150, 100})); }));
    EXPECT_TRUE(is_white(frame_pixel(tab, {150, 300})));

    // Back in browse mode the page gets the mouse and the memo stays.
    app().main_frame()->route(res::cmd::kBrowseMode);
    EXPECT_FALSE(app().drawing_tool_active());
    pkg.reset();
    app().main_frame()->close();
    delete app().main_frame();
    app().ExitInstance();
    ASSERT_TRUE(std::filesystem::exists(app().package_cache().file_for(url("/memo"))));

    tab = start_on("/memo");
    ASSERT_TRUE(tab);
    EXPECT_TRUE(wait_until([&] { return !is_white(frame_pixel(tab, {150, 100})); }));
    EXPECT_TRUE(is_white(frame_pixel(tab, {150, 300})));
}

TEST_F(MemoLayerTest, MemosKeepTheirDocumentPositionsWhenThePageScrolls)
{
    pages_.set("/scroll", kTallPage);
    CTabBrowserWnd* tab = start_on("/scroll");
    ASSERT_TRUE(tab);
    auto pkg = app().package_cache().lookup(url("/scroll"), true);
    auto box = std::make_unique<memo::PrimitiveObject>();
    box->rect = {100, 700, 160, 760};
    box->opacity = 255;
    pkg->add(std::move(box));
    tab->layer()->update();
    EXPECT_TRUE(is_white(frame_pixel(tab, {130, 230})));

    bool done = false;
    tab->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 500)"), [&](const QVariant&) { done = true; });
    ASSERT_TRUE(wait_until([&] { return done && tab->page()->scrollPosition().y() == 500; }));
    EXPECT_TRUE(wait_until([&] { return !is_white(frame_pixel(tab, {130, 230})); }));
    EXPECT_TRUE(is_white(frame_pixel(tab, {130, 290})));
}

TEST_F(MemoLayerTest, StrokesOnAFrameAreStoredUnderTheFrameDocument)
{
    pages_.set("/inner", kTallPage);
    pages_.set("/outer", QStringLiteral("<title>Outer</title><body style='margin:0'>"
                                        "<iframe src='/inner' style='position:absolute;left:100px;top:50px;"
                                        "width:300px;height:200px;border:0'></iframe></body>"));
    CTabBrowserWnd* tab = start_on("/outer");
    ASSERT_TRUE(tab);
    ASSERT_TRUE(wait_until([&] { return tab->layer()->documents().size() == 2; }));
    app().main_frame()->route(res::cmd::kFreehandTool);
    drag(tab, {150, 100}, {250, 100});
    auto inner = app().package_cache().lookup(url("/inner"), false);
    ASSERT_TRUE(inner);
    ASSERT_EQ(inner->size(), 1u);
    const auto& stroke = dynamic_cast<const memo::StrokeObject&>(inner->at(0));
    EXPECT_EQ(stroke.points.front(), (memo::Point{50, 50}));
    const auto outer = app().package_cache().lookup(url("/outer"), false);
    EXPECT_TRUE(!outer || outer->empty());
}

} // namespace
