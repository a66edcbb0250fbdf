// Memos drawn over live pages with real mouse events, stored and shown again.
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWheelEvent>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/PageCapture.h"
#include "app/PageZoom.h"
#include "app/TabBrowserWnd.h"
#include "app/WebPageSurface.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "memo/ImageCodec.h"
#include "memo/StampList.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/MemoBarDlg.h"
#include "memo/ui/OptionPanels.h"
#include "memo/ui/TextDialog.h"
#include "memo/ui/Tools.h"
#include "rs2/FileStream.h"
#include "ui/MessageBox.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"

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

// Zoomed by keys, the page and its memos grow together and a stroke lands where the pen
// went on the page; each site keeps its own zoom, also at the next start.
TEST_F(MemoLayerTest, MemosFollowThePageZoomAndEachSiteKeepsItsZoom)
{
    pages_.set("/memo", kTallPage);
    CTabBrowserWnd* tab = start_on("/memo");
    ASSERT_TRUE(tab);
    auto box = std::make_unique<memo::PrimitiveObject>();
    box->rect = {20, 20, 60, 60};
    box->fill_colour = box->border_colour = memo::rgb(0, 200, 0);
    box->opacity = 255;
    app().package_cache().lookup(url("/memo"), true)->add(std::move(box));
    tab->layer()->update();
    ASSERT_TRUE(wait_until([&] { return !is_white(frame_pixel(tab, {40, 40})); }));
    EXPECT_TRUE(is_white(frame_pixel(tab, {100, 100})));

    // Ctrl and + (or =) five steps in: 110, 125, 150, 175, 200 %.
    CMainFrame* frame = app().main_frame();
    frame->activateWindow();
    ASSERT_TRUE(wait_until([&] { return QApplication::activeWindow() == frame; }));
    tab->view()->focusProxy()->setFocus();
    for (Qt::Key key : {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Equal, Qt::Key_Equal, Qt::Key_Equal})
        QTest::keyClick(frame->windowHandle(), key, Qt::ControlModifier);
    ASSERT_TRUE(wait_until([&] { return tab->zoom().percent() == 200; }));
    ASSERT_TRUE(wait_until([&] { return tab->layer()->layer_size() == tab->view()->size() / 2; }));
    // The box of 40 page pixels is 80 on the screen, at twice its place.
    EXPECT_TRUE(wait_until([&] {
        return !is_white(frame_pixel(tab, {45, 45})) && !is_white(frame_pixel(tab, {115, 115})) &&
               is_white(frame_pixel(tab, {125, 125})) && is_white(frame_pixel(tab, {35, 35}));
    }));
    const QLabel* zoom_pane = frame->findChild<QLabel*>(QStringLiteral("ZoomPane"));
    EXPECT_TRUE(wait_until([&] { return zoom_pane->isVisible() && zoom_pane->text() == QStringLiteral("200%"); }));

    frame->route(res::cmd::kFreehandTool);
    drag(tab, {200, 200}, {400, 200});
    frame->route(res::cmd::kBrowseMode);
    const auto pkg = app().package_cache().lookup(url("/memo"), false);
    ASSERT_EQ(pkg->size(), 2u);
    EXPECT_EQ(dynamic_cast<const memo::StrokeObject&>(pkg->at(1)).points.front(), (memo::Point{100, 100}));
    EXPECT_EQ(pkg->width, tab->layer()->layer_size().width());

    // Another site opens at 100 %; the first keeps its 200 %, also at the next start.
    QUrl other = pages_.url("/memo");
    other.setHost(QStringLiteral("localhost"));
    tab->Navigate(other);
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == other && !tab->busy(); }));
    EXPECT_EQ(tab->zoom().percent(), 100);
    frame->close();
    delete frame;
    app().ExitInstance();
    tab = start_on("/memo");
    ASSERT_TRUE(tab);
    EXPECT_TRUE(wait_until([&] { return tab->zoom().percent() == 200; }));
    app().main_frame()->route(res::cmd::kZoomReset);
    EXPECT_EQ(tab->zoom().percent(), 100);
    // Ctrl and the wheel turned towards the user: one step out, and the page does not scroll.
    QWidget* input = tab->view()->focusProxy();
    QWheelEvent wheel(QPointF(100, 100), input->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(input, &wheel);
    EXPECT_EQ(tab->zoom().percent(), 90);
}

// The drawing bar shows the chosen tool's panel, which sets up that tool's next object; the
// same holds after the frame was made again.
TEST_F(MemoLayerTest, TheDrawingBarShowsTheChosenToolsOptions)
{
    pages_.set("/memo", kTallPage);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(start_on("/memo"));
        CMainFrame* frame = app().main_frame();
        auto shown = [frame]() -> QWidget* {
            auto* panels = frame->findChild<COptionPanels*>();
            return panels && panels->isVisible() ? panels->currentWidget() : nullptr;
        };
        frame->route(res::cmd::kTextTool);
        EXPECT_TRUE(wait_until([&] { return qobject_cast<CTextOptionDialog*>(shown()); }));
        frame->route(res::cmd::kFreehandTool);
        auto* pen = qobject_cast<CFreeHandOptionDialog*>(shown());
        ASSERT_NE(pen, nullptr);
        const int row = run == 0 ? 3 : 0;  // another width each time
        std::int32_t width = 0, type = 0;
        CFreeHandOptionDialog::cell_settings(row, 2, width, type);
        emit pen->grid()->chosen(row, 2);
        EXPECT_EQ(app().tools().freehand().pen().width, width);
        frame->route(res::cmd::kBrowseMode);
        frame->close();
        delete frame;
        app().ExitInstance();
    }
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
    // The frame's first document is the empty one it starts with: the stroke waits for its own.
    ASSERT_TRUE(wait_until([&] {
        const std::vector<DocumentView> documents = tab->layer()->documents();
        return documents.size() == 2 && documents[1].url == url("/inner");
    }));
    app().main_frame()->route(res::cmd::kFreehandTool);
    drag(tab, {150, 100}, {250, 100});
    auto inner = app().package_cache().lookup(url("/inner"), false);
    ASSERT_TRUE(inner);
    ASSERT_EQ(inner->size(), 1u);
    const auto& stroke = dynamic_cast<const memo::StrokeObject&>(inner->at(0));
    EXPECT_EQ(stroke.points.front(), (memo::Point{50, 50}));
    const auto outer = app().package_cache().lookup(url("/outer"), false);
    EXPECT_TRUE(!outer || outer->empty());

    // Behind another tab the frame moves; back in front, its memos follow it to its new place.
    app().main_frame()->route(res::cmd::kBrowseMode);
    CTabBrowserWnd* other = app().OpenInNewTab(url("/inner"));
    ASSERT_TRUE(wait_until([&] { return !tab->view() || !tab->view()->isVisible(); }));
    bool moved = false;
    tab->page()->runJavaScript(QStringLiteral("document.querySelector('iframe').style.top = '150px'"),
                               [&](const QVariant&) { moved = true; });
    ASSERT_TRUE(wait_until([&] { return moved; }));
    pump(1000);  // a hidden page is not asked where its frames are
    EXPECT_EQ(tab->layer()->documents().at(1).rect.top(), 50);
    app().main_frame()->mdi_area()->setActiveSubWindow(tab->frame());
    EXPECT_TRUE(wait_until([&] {
        const auto docs = tab->layer()->documents();
        return docs.size() == 2 && docs[1].rect.top() == 150;
    }));
    EXPECT_NE(app().ActiveBrowser(), other);
}

// A page without memos is not followed: nothing is asked of it however it scrolls. A capture
// holds it followed while it scrolls the page; a tool picked wakes it at once, so the first
// stroke lands where it is drawn; memos of a frame document wake it as the frame is found.
TEST_F(MemoLayerTest, APageIsFollowedOnlyWhileItsLayerHasSomethingOverIt)
{
    pages_.set("/inner", kTallPage);
    const QString outer = QStringLiteral("<title>Outer</title><body style='margin:0'><iframe src='/inner' "
                                         "style='position:absolute;left:100px;top:50px;width:300px;height:200px;"
                                         "border:0'></iframe></body>");
    pages_.set("/outer", outer);
    pages_.set("/outer-again", outer);
    pages_.set("/plain", QStringLiteral("<title>Plain</title><body style='margin:0;background:#fff'>"
                                        "<div style='height:1000px;background:#00f'></div>"
                                        "<div style='height:3000px'></div></body>"));
    pages_.set("/blank", kTallPage);
    CTabBrowserWnd* tab = start_on("/outer");
    ASSERT_TRUE(tab);
    const WebPageSurface& surface = tab->memo_surface();
    ASSERT_TRUE(wait_until([&] { return tab->layer()->documents().size() == 2; }));
    EXPECT_FALSE(surface.following());

    tab->Navigate(pages_.url("/plain"));
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/plain") && !tab->busy(); }));
    bool scrolled = false;
    tab->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 1200)"), [&](const QVariant&) { scrolled = true; });
    ASSERT_TRUE(wait_until([&] { return scrolled && tab->page()->scrollPosition().y() == 1200; }));
    pump(300);
    EXPECT_FALSE(surface.following());
    const QImage top = page_output::capture_page(*tab, QRect(0, 0, 50, 50));
    ASSERT_EQ(top.size(), QSize(50, 50));
    EXPECT_EQ(top.pixelColor(25, 25), QColor(0, 0, 255));
    EXPECT_EQ(tab->page()->scrollPosition().y(), 1200);
    EXPECT_FALSE(surface.following());

    app().main_frame()->route(res::cmd::kFreehandTool);
    EXPECT_TRUE(wait_until([&] {
        return surface.following() && tab->layer()->documents().front().scroll == QPoint(0, 1200);
    }));
    drag(tab, {100, 100}, {200, 100});
    const auto plain = app().package_cache().lookup(url("/plain"), false);
    ASSERT_TRUE(plain && plain->size() == 1);
    EXPECT_EQ(dynamic_cast<const memo::StrokeObject&>(plain->at(0)).points.front(), (memo::Point{100, 1300}));
    app().main_frame()->route(res::cmd::kBrowseMode);

    tab->Navigate(pages_.url("/blank"));
    EXPECT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/blank") && !surface.following(); }));
    auto box = std::make_unique<memo::PrimitiveObject>();
    box->rect = {10, 10, 50, 50};
    app().package_cache().lookup(url("/inner"), true)->add(std::move(box));
    tab->Navigate(pages_.url("/outer-again"));
    EXPECT_TRUE(wait_until([&] { return tab->layer()->documents().size() == 2 && surface.following(); }));
}

TEST_F(MemoLayerTest, APageWithMemosKeepsTheirWidthAndFollowsTheirTextSize)
{
    pages_.set("/wide", kTallPage);
    pages_.set("/plain", kTallPage);
    ASSERT_TRUE(start());
    const int program_size = app().settings().fontsize;
    {
        auto pkg = app().package_cache().lookup(url("/wide"), true);
        pkg->width = 900;
        pkg->text_size = 0;
        auto box = std::make_unique<memo::PrimitiveObject>();
        box->rect = {10, 10, 50, 50};
        pkg->add(std::move(box));
    }
    CTabBrowserWnd* tab = app().OpenInNewTab(url("/wide"));
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/wide") && !tab->busy(); }));
    EXPECT_TRUE(wait_until([&] { return tab->width() >= 900; }));
    EXPECT_EQ(tab->font_size(), 0);

    tab->Navigate(pages_.url("/plain"));
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/plain") && !tab->busy(); }));
    EXPECT_EQ(tab->minimumWidth(), 0);
    EXPECT_EQ(tab->font_size(), program_size);
    EXPECT_EQ(app().settings().fontsize, program_size);
}

TEST_F(MemoLayerTest, PagesWithLegacyFiltersAreDrawnSingleBuffered)
{
    pages_.set("/filter", QStringLiteral("<title>Filter</title><body><div style=\"filter:progid:"
                                         "DXImageTransform.Microsoft.Alpha(opacity=50)\">x</div></body>"));
    pages_.set("/plain", kTallPage);
    CTabBrowserWnd* tab = start_on("/filter");
    ASSERT_TRUE(tab);
    EXPECT_TRUE(wait_until([&] { return !tab->layer()->double_buffered(); }));
    tab->Navigate(pages_.url("/plain"));
    EXPECT_TRUE(wait_until([&] { return tab->layer()->double_buffered(); }));
}

TEST_F(MemoLayerTest, AMemoFileDroppedOnAPageOpensItsSiteWithItsMemos)
{
    pages_.set("/shared", kTallPage);
    pages_.set("/start", QStringLiteral("<title>Start</title>start"));
    CTabBrowserWnd* start_tab = start_on("/start");
    ASSERT_TRUE(start_tab);
    memo::MemoPackage received;
    received.url = url("/shared");
    auto box = std::make_unique<memo::PrimitiveObject>();
    box->rect = {100, 100, 200, 160};
    box->opacity = 255;
    received.add(std::move(box));
    const std::string file = (data_.path() / "received.ame").string();
    {
        rs2::FileStream out(file, rs2::FileStream::open_write);
        received.write(out);
    }
    // Dropped on the page as a file manager drops it: the program opens it, not the page.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    QWidget* input = start_tab->view()->focusProxy();
    QDragEnterEvent enter(QPoint(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(input, &enter);
    QDropEvent drop(QPointF(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, {}, QEvent::Drop);
    QApplication::sendEvent(input, &drop);
    ASSERT_TRUE(wait_until([&] { return app().ActiveBrowser() != start_tab; }));
    CTabBrowserWnd* tab = app().ActiveBrowser();
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/shared") && !tab->busy(); }));
    EXPECT_EQ(start_tab->LocationURL(), pages_.url("/start"));
    EXPECT_TRUE(wait_until([&] { return !is_white(frame_pixel(tab, {150, 130})); }));

    // A damaged file is reported and changes nothing.
    { rs2::FileStream out(file, rs2::FileStream::open_write); out << "PACK"; }
    std::vector<QString> messages;
    ui::set_message_responder([&](const QString& text, ui::Buttons) {
        messages.push_back(text);
        return ui::Answer::Ok;
    });
    EXPECT_FALSE(app().OpenMemoPackageFile(file));
    ui::set_message_responder({});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("ファイルの読み込みに失敗しました"));
}

// The memo pane's search box finds a stored memo by its words; opening it scrolls its page to
// the memo and selects it. A package saved meanwhile is found too.
TEST_F(MemoLayerTest, AMemoFoundInTheMemoPaneIsShownOnItsPage)
{
    pages_.set("/found", kTallPage);
    pages_.set("/start", kTallPage);
    CTabBrowserWnd* tab = start_on("/start");
    ASSERT_TRUE(tab);
    memo::PackageCache& cache = app().package_cache();
    memo::MemoPackage stored;
    stored.url = url("/found");
    stored.time = memo::now_time();
    auto box = std::make_unique<memo::TextBoxObject>();
    box->rect = {100, 2000, 300, 2060};
    box->text = "Quarterly report\n" + platform::from_qstring(QStringLiteral("会議の議事録"));
    const memo::Guid id = stored.add(std::move(box)).id;
    memo::write_package_file(stored, cache.file_for(stored.url));

    app().main_frame()->route(res::cmd::kMemoPane);
    auto* pane = app().main_frame()->findChild<CMemoBarDlg*>();
    ASSERT_TRUE(pane && pane->search_index());
    const auto found_item = [&](const memo::Guid& memo) -> QTreeWidgetItem* {
        for (QTreeWidgetItemIterator it(pane->tree()); *it; ++it)
            if (CMemoBarDlg::memo_of(*it) == memo)
                return *it;
        return nullptr;
    };
    // Every word, in any case; Japanese comes in whole from the input method.
    QTest::keyClicks(pane->search_box(), QStringLiteral("REPORT "));
    pane->search_box()->insert(QStringLiteral("議事録"));
    ASSERT_TRUE(wait_until([&] { return found_item(id) != nullptr; }));
    QTreeWidgetItem* item = found_item(id);
    EXPECT_EQ(CMemoBarDlg::site_of(item->parent()), stored.url);
    EXPECT_EQ(item->text(0), QStringLiteral("Quarterly report 会議の議事録"));

    pane->tree()->scrollToItem(item);
    const QPoint at = pane->tree()->visualItemRect(item).center();
    QTest::mouseClick(pane->tree()->viewport(), Qt::LeftButton, {}, at); // a double click's first click
    QTest::mouseDClick(pane->tree()->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(wait_until([&] {
        const memo::MemoObject* selected = tab->layer()->selection();
        return tab->LocationURL() == pages_.url("/found") && selected && selected->id == id;
    }));
    EXPECT_TRUE(wait_until([&] { return tab->page()->scrollPosition().y() > 1500; }));

    // A memo drawn and saved while the pane shows the search.
    const auto drawn = cache.lookup(url("/start"), true);
    auto note = std::make_unique<memo::TextBoxObject>();
    note->text = "annual report";
    const memo::Guid noted = drawn->add(std::move(note)).id;
    ASSERT_TRUE(cache.save_changed());
    pane->search_box()->setText(QStringLiteral("Report"));
    EXPECT_TRUE(wait_until([&] { return found_item(noted) && found_item(id); }));
}

// The layer paints the page's own pixels under the memos, and effects read them.
TEST_F(MemoLayerTest, PageStaysVisibleAroundMemosAndEffectsReadIt)
{
    pages_.set("/red", QStringLiteral("<title>Red</title><body style='margin:0;background:#d01010'>"
                                      "<div style='height:2000px'></div></body>"));
    CTabBrowserWnd* tab = start_on("/red");
    ASSERT_TRUE(tab);
    const auto red = [](QRgb px) { return qRed(px) > 180 && qGreen(px) < 60 && qBlue(px) < 60; };
    ASSERT_TRUE(wait_until([&] { return red(frame_pixel(tab, {200, 200})); }));

    auto pkg = app().package_cache().lookup(url("/red"), true);
    auto effect = std::make_unique<memo::EffectObject>();
    effect->rect = {10, 10, 110, 110};
    effect->operation = 3;  // negative
    pkg->add(std::move(effect));
    tab->layer()->update();
    // The effect's pixels are read after the page presents a frame: wait for the picture they
    // make, with the page as it is beside it.
    EXPECT_TRUE(wait_until([&] {
        const QRgb inside = frame_pixel(tab, {60, 60});
        return qRed(inside) < 80 && qGreen(inside) > 180 && qBlue(inside) > 180 && red(frame_pixel(tab, {200, 200}));
    }));
}

// Every kind of memo made with its tool over a live page; the picture is kept beside the
// build for people to look at.
TEST_F(MemoLayerTest, EveryKindOfMemoOverALivePageAndALinkInATextBox)
{
    pages_.set("/kinds", QStringLiteral("<title>Kinds</title><body style='margin:20px;font:16px sans-serif'>"
                                        "<h1>A page with memos</h1><p>Lorem ipsum dolor sit amet, consectetur "
                                        "adipiscing elit, sed do eiusmod tempor incididunt ut labore.</p>"
                                        "<div style='height:2000px;background:linear-gradient(#9cf,#fc9)'></div>"));
    pages_.set("/next", QStringLiteral("<title>Next</title>next"));
    CTabBrowserWnd* tab = start_on("/kinds");
    ASSERT_TRUE(tab);
    ASSERT_TRUE(wait_until([&] { return !is_white(frame_pixel(tab, {200, 500})); }));  // the page has painted
    CMainFrame* frame = app().main_frame();
    CToolBox& tools = app().tools();

    frame->route(res::cmd::kFreehandTool);
    drag(tab, {20, 150}, {200, 190});
    tools.freehand().pen().arrow_end = true;
    drag(tab, {20, 220}, {200, 220});

    frame->route(res::cmd::kPrimitiveTool);
    drag(tab, {220, 140}, {310, 210});
    tools.primitive().shape().shape = 1;
    drag(tab, {320, 140}, {420, 210});

    const std::string next = url("/next");
    CTextDialog::set_responder([next](std::string& text) {
        text = "memo text\n" + next;
        return true;
    });
    frame->route(res::cmd::kTextTool);
    drag(tab, {20, 250}, {220, 330});
    CTextDialog::set_responder({});
    tools.text().box().shape = 1;

    frame->route(res::cmd::kEffectTool);
    tools.effect().effect().operation = 3;
    drag(tab, {240, 250}, {420, 330});

    frame->route(res::cmd::kStampTool);
    ASSERT_GT(app().stamps().size(), 0u);
    tools.stamp().stamp = app().stamps().stamps().front().name;
    QTest::mouseClick(tab->view()->focusProxy(), Qt::LeftButton, {}, QPoint(80, 400));

    memo::MemoImage picture(90, 60);
    picture.fill(memo::rgb(40, 160, 60), 255);
    const std::string png = (data_.path() / "photo.png").string();
    {
        rs2::FileStream out(png, rs2::FileStream::open_write);
        memo::PngCodec codec(picture, false);
        ASSERT_TRUE(codec.write(out));
    }
    ui::set_message_responder([](const QString& text, ui::Buttons) {
        ADD_FAILURE() << text.toStdString();
        return ui::Answer::Ok;
    });
    ASSERT_TRUE(tab->layer()->drop_picture(QString::fromStdString(png), QPoint(200, 370)));
    ui::set_message_responder({});

    auto pkg = app().package_cache().lookup(url("/kinds"), false);
    ASSERT_TRUE(pkg);
    std::vector<memo::MemoKind> kinds;
    for (std::size_t i = 0; i < pkg->size(); ++i)
        kinds.push_back(pkg->at(i).kind());
    using K = memo::MemoKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Stroke, K::Stroke, K::Primitive, K::Primitive, K::TextBox, K::Effect,
                                     K::Stamp, K::Photo}));

    frame->route(res::cmd::kBrowseMode);
    tab->layer()->repaint();
    const QImage shot = frame->grab().toImage();
    if (const char* folder = std::getenv("MARVO_SCREENSHOT_DIR"))
        shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/memo-kinds.png"));
    EXPECT_FALSE(is_white(shot.pixel(tab->view()->mapTo(frame, QPoint(260, 180)))));

    // The link line of the text box navigates in browse mode.
    const auto& box = dynamic_cast<const memo::TextBoxObject&>(pkg->at(4));
    const memo::Size line = tab->layer()->text_extent(box.font, "memo text");
    const QPoint link(20 + 8 + 10, 250 + 8 + line.cy + 2 + line.cy / 2);
    QWidget* input = tab->view()->focusProxy();
    QTest::mousePress(input, Qt::LeftButton, {}, link);
    QTest::mouseRelease(input, Qt::LeftButton, {}, link);
    EXPECT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/next"); }));
}

} // namespace

namespace {

TEST_F(MemoLayerTest, TheWidthPaneFitsTheMemosToTheWindowAfterAsking)
{
    pages_.set("/fit", kTallPage);
    ASSERT_TRUE(start());
    {
        auto pkg = app().package_cache().lookup(url("/fit"), true);
        pkg->width = 3000;
        auto box = std::make_unique<memo::PrimitiveObject>();
        box->rect = {10, 10, 50, 50};
        pkg->add(std::move(box));
    }
    CTabBrowserWnd* tab = app().OpenInNewTab(url("/fit"));
    ASSERT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url("/fit") && !tab->busy(); }));
    ASSERT_TRUE(wait_until([&] { return tab->width() >= 3000; }));
    QLabel* pane = nullptr;
    ASSERT_TRUE(wait_until([&] {
        for (QLabel* label : app().main_frame()->statusBar()->findChildren<QLabel*>())
            if (label->text() == QString::fromUtf8(res::string(res::str::kWidthLocked)))
                pane = label;
        return pane != nullptr;
    }));

    std::vector<QString> asked;
    ui::Answer answer = ui::Answer::No;
    ui::set_message_responder([&](const QString& text, ui::Buttons) {
        asked.push_back(text);
        return answer;
    });
    QTest::mouseClick(pane, Qt::LeftButton);
    EXPECT_EQ(app().package_cache().lookup(url("/fit"), false)->width, 3000);  // No keeps it
    answer = ui::Answer::Yes;
    QTest::mouseClick(pane, Qt::LeftButton);
    ui::set_message_responder({});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], QString::fromUtf8(res::string(res::str::kAskFitWidth)));
    const auto pkg = app().package_cache().lookup(url("/fit"), false);
    EXPECT_LT(pkg->width, 3000);
    EXPECT_TRUE(pkg->dirty);
    EXPECT_TRUE(wait_until([&] { return tab->width() < 3000; }));
}

} // namespace
