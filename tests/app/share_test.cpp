// One browser against the real sharing server; the other user is a second client speaking
// the share protocol directly (two browsers cannot share one process).
#include <QLabel>
#include <QProcess>
#include <fstream>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/ShareClient.h"
#include "app/TabBrowserWnd.h"
#include "memo/ui/MemoBarDlg.h"
#include "share/ui/MemoSearchDialog.h"
#include "memo/MemoObject.h"
#include "memo/PackageCache.h"
#include "memo/ui/Tools.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "server/ShareServer.h"
#include "settings/SettingsFile.h"
#include "share/ShareProtocol.h"
#include "ui/MessageBox.h"

namespace {

const QString kPage = QStringLiteral("<title>Shared</title><body>shared page</body>");
constexpr double kBound = 20.0;

QString text_of(int id)
{
    return QString::fromUtf8(res::text(id).data(), static_cast<qsizetype>(res::text(id).size()));
}

memo::Guid add_stroke(memo::MemoPackage& package, const std::string& owner)
{
    auto stroke = std::make_unique<memo::StrokeObject>();
    stroke->points = {{10, 10}, {60, 40}};
    stroke->time = memo::now_time();
    stroke->owner = owner;
    return package.add(std::move(stroke)).id;
}

class ShareTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        server::ServerOptions options;
        options.port = 0;
        options.database = "sqlite:" + db_dir_.file("share.db");
        server_ = std::make_unique<server::ShareServer>(options, [](const std::string&) {});
        server_->start();
        pages_.set(QStringLiteral("/shared"), kPage);
    }
    void TearDown() override
    {
        ui::set_message_responder({});
        AppTest::TearDown();
        server_->stop();
    }

    // Starts the browser pointed at the test's server (or another port), on a blank tab.
    ShareClient& start_sharing(int port = -1)
    {
        EXPECT_TRUE(start());
        settings::Settings& options = app().settings();
        options.set_server_addr("127.0.0.1");
        options.server_port = port < 0 ? server_->port() : port;
        options.check_time = 1000;
        options.user_name = "browser";
        ShareClient* share = app().share_client();
        EXPECT_NE(share, nullptr);
        share->push_settings();
        return *share;
    }
    CTabBrowserWnd* open_shared()
    {
        CTabBrowserWnd* tab = app().ActiveBrowser();
        tab->Navigate(pages_.url(QStringLiteral("/shared")));
        EXPECT_TRUE(wait_until([&] { return tab->LocationURL() == pages_.url(QStringLiteral("/shared")) && !tab->busy(); }));
        return tab;
    }
    std::string page_url() const { return platform::from_qstring(pages_.url(QStringLiteral("/shared")).toString()); }
    // Waits until the worker has run everything queued so far.
    static void settle(ShareClient& share)
    {
        ASSERT_TRUE(share.worker()->run_queued(kBound));
    }
    // The server's copy of the page as the other user sees it; null when it has none.
    std::unique_ptr<memo::MemoPackage> server_copy()
    {
        auto package = std::make_unique<memo::MemoPackage>();
        if (!share::fetch_package("127.0.0.1", server_->port(), page_url(), *package))
            return nullptr;
        return package;
    }
    // A memo drawn by the browser's user, then browse mode again.
    void draw_and_return_to_browse_mode(CTabBrowserWnd* tab)
    {
        app().tools().set_current(res::cmd::kFreehandTool, tab->layer());
        memo::PackageCache::PackagePtr package = app().package_cache().lookup(page_url(), true);
        add_stroke(*package, "browser");
        package->time = memo::now_time();
        package->dirty = true;
        app().OnCommand(res::cmd::kBrowseMode);
    }
    QLabel* share_pane() { return app().main_frame()->findChild<QLabel*>(QStringLiteral("SharePane")); }
    static CMemoBarDlg* memo_pane() { return app().main_frame()->findChild<CMemoBarDlg*>(); }
    static QStringList listed_sites(const CMemoBarDlg* pane)
    {
        QStringList urls;
        for (int i = 0; i < pane->tree()->topLevelItemCount(); ++i)
            for (int j = 0; j < pane->tree()->topLevelItem(i)->childCount(); ++j)
                urls << pane->tree()->topLevelItem(i)->child(j)->text(0);
        return urls;
    }

    TempDir db_dir_;
    std::unique_ptr<server::ShareServer> server_;
};

} // namespace

TEST_F(ShareTest, AnotherUsersMemoArrivesWithThePageAndTheBrowsersMemoReachesThem)
{
    // The other user commits a memo of the page before the browser has ever seen it.
    memo::MemoPackage theirs;
    theirs.url = page_url();
    theirs.time = memo::now_time();
    const memo::Guid their_memo = add_stroke(theirs, "other");
    bool merged = false;
    ASSERT_TRUE(share::commit_package("127.0.0.1", server_->port(), theirs, merged));

    ShareClient& share = start_sharing();
    app().main_frame()->route(res::cmd::kMemoPane);
    CMemoBarDlg* pane = memo_pane();
    ASSERT_NE(pane, nullptr);
    const QString page = pages_.url(QStringLiteral("/shared")).toString();
    EXPECT_FALSE(listed_sites(pane).contains(page));
    open_shared();
    memo::PackageCache& cache = app().package_cache();
    ASSERT_TRUE(wait_until([&] {
        const auto package = cache.lookup(page_url(), false);
        return package && package->find(their_memo) != nullptr;
    }));
    EXPECT_EQ(cache.lookup(page_url(), false)->size(), 1u);
    EXPECT_TRUE(wait_until([&] { return listed_sites(pane).contains(page); })) << "the memo pane follows what arrives";
    // Its author's name finds it: the pane's search reads what arrives too.
    pane->search_box()->setText(QStringLiteral("OTHER"));
    EXPECT_TRUE(wait_until([&] { return listed_sites(pane).contains(page); }));
    EXPECT_TRUE(wait_until([&] { return share_pane()->text() == text_of(res::str::kShareIdle); }));

    // The browser's user adds one; returning to browse mode sends both to the server.
    draw_and_return_to_browse_mode(app().ActiveBrowser());
    settle(share);
    const auto copy = server_copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->size(), 2u);
    EXPECT_NE(copy->find(their_memo), nullptr);

    // Deleting every memo of the site reaches the server too.
    ASSERT_TRUE(cache.delete_site(page_url()));
    settle(share);
    const auto after = server_copy();
    EXPECT_TRUE(!after || after->empty());
    EXPECT_TRUE(wait_until([&] { return !listed_sites(pane).contains(page); }));
}

TEST_F(ShareTest, APrivatePageSendsNothingAndShowsThePrivateArea)
{
    ShareClient& share = start_sharing();
    app().settings().private_areas.push_back(page_url());
    CTabBrowserWnd* tab = open_shared();
    EXPECT_EQ(share.worker()->queued_jobs(), 0u);
    EXPECT_TRUE(wait_until([&] { return share_pane()->text() == text_of(res::str::kPrivateArea); }));
    draw_and_return_to_browse_mode(tab);
    EXPECT_EQ(share.worker()->queued_jobs(), 0u);
    settle(share);
    EXPECT_EQ(server_copy(), nullptr);
}

TEST_F(ShareTest, ClickingTheSharePaneMakesThePagePrivateAfterAsking)
{
    start_sharing();
    open_shared();
    QStringList asked;
    ui::set_message_responder([&](const QString& text, ui::Buttons) {
        asked << text;
        return asked.size() == 1 ? ui::Answer::No : ui::Answer::Yes;
    });
    QTest::mouseClick(share_pane(), Qt::LeftButton);
    EXPECT_TRUE(app().settings().private_areas.empty());
    QTest::mouseClick(share_pane(), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0], text_of(res::str::kAskMakePrivate));
    EXPECT_EQ(app().settings().private_areas, std::vector<std::string>{page_url()});
    EXPECT_TRUE(wait_until([&] { return share_pane()->text() == text_of(res::str::kPrivateArea); }));
}

TEST_F(ShareTest, ClosingTheFrameCommitsChangedMemosBeforeTheWorkerStops)
{
    start_sharing();
    open_shared();
    memo::PackageCache::PackagePtr package = app().package_cache().lookup(page_url(), true);
    const memo::Guid mine = add_stroke(*package, "browser");
    package->time = memo::now_time();
    package->dirty = true;
    package.reset();
    app().main_frame()->close();
    app().ExitInstance();
    const auto copy = server_copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->find(mine), nullptr);
}

TEST_F(ShareTest, TheUserInterfaceKeepsRunningWhileTheServerDoesNotAnswer)
{
    // Accepts connections and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    ShareClient& share = start_sharing(silent.serverPort());
    open_shared();
    ASSERT_TRUE(wait_until([&] { return share.state().status() == share::status_checking; }));
    bool ticked = false;
    QTimer::singleShot(10, [&] { ticked = true; });
    EXPECT_TRUE(wait_until([&] { return ticked; }, 500));
    // A check waits at least a second for its answer, so the pane catches it.
    EXPECT_TRUE(wait_until([&] { return share_pane()->text() == text_of(res::str::kShareChecking); }, 800));
}

TEST_F(ShareTest, ReceivedMessagesPopUpAtTheLowerRightAboveTheStatusBar)
{
    ShareClient& share = start_sharing();
    app().settings().check_time = 1;
    share.push_settings();
    CMainFrame* frame = app().main_frame();
    frame->resize(900, 700);
    ASSERT_TRUE(share::send_message("127.0.0.1", server_->port(), "other", "browser", "hello\r\nthere"));
    CRecvInstantMsgDlg* window = share.received_window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_EQ(window->sender_label()->text(), QStringLiteral("other"));
    EXPECT_EQ(window->text_view()->toPlainText(), QStringLiteral("hello\nthere"));
    EXPECT_FALSE(window->previous_button()->isEnabled());
    EXPECT_FALSE(window->next_button()->isEnabled());
    const QRect outer = frame->frameGeometry();
    EXPECT_EQ(window->frameGeometry().right(), outer.right());
    EXPECT_EQ(window->frameGeometry().bottom(), outer.bottom() - frame->statusBar()->height());

    // Closed, it comes back with the next messages; fifteen at once leave ten.
    window->close_button()->click();
    for (int i = 0; i < 15; ++i)
        ASSERT_TRUE(share::send_message("127.0.0.1", server_->port(), "other", "browser", "n" + std::to_string(i)));
    ASSERT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_EQ(window->messages().size(), share::ShareState::kMaxMessages);
    EXPECT_EQ(window->current_index(), 0);
    EXPECT_TRUE(window->next_button()->isEnabled());
}

TEST_F(ShareTest, TheSendCommandNeedsAUserAndAServerAndRemembersTheRecipient)
{
    start_sharing();
    CMainFrame* frame = app().main_frame();
    EXPECT_TRUE(frame->command_state(res::cmd::kSendInstantMessage).enabled);
    std::vector<std::string> presets;
    set_send_dialog_responder([&](CInstantMessageDlg& dialog) {
        presets.push_back(dialog.recipient());
        dialog.set_recipient("bob");
        dialog.text_edit()->setPlainText(QStringLiteral("hi"));
        return true;
    });
    ui::set_message_responder([](const QString&, ui::Buttons) { return ui::Answer::Ok; });
    frame->route(res::cmd::kSendInstantMessage);
    frame->route(res::cmd::kSendInstantMessage);
    EXPECT_EQ(presets, (std::vector<std::string>{"", "bob"}));
    std::vector<share::InstantMessage> received;
    ASSERT_TRUE(share::poll_messages("127.0.0.1", server_->port(), "bob", received));
    EXPECT_EQ(received.size(), 2u);
    set_send_dialog_responder({});

    app().settings().set_server_addr("");
    EXPECT_FALSE(frame->command_state(res::cmd::kSendInstantMessage).enabled);
}

TEST_F(ShareTest, TheServerSearchListsThePageInEveryModeAndLocalComesBack)
{
    memo::MemoPackage theirs;
    theirs.url = page_url();
    theirs.time = memo::now_time();
    add_stroke(theirs, "other");
    bool merged = false;
    ASSERT_TRUE(share::commit_package("127.0.0.1", server_->port(), theirs, merged));
    start_sharing();
    app().main_frame()->route(res::cmd::kMemoPane);
    CMemoBarDlg* pane = memo_pane();
    ASSERT_NE(pane, nullptr);
    auto listed_urls = [&] { return listed_sites(pane); };
    const QString page = pages_.url(QStringLiteral("/shared")).toString();
    for (int mode = 0; mode < 4; ++mode) {
        pane->local_button()->click();
        ASSERT_FALSE(listed_urls().contains(page));
        set_memo_search_responder([&](CMemoSearchDialog& dialog) {
            dialog.set_mode(mode);
            dialog.range()->setValue(1);
            dialog.url_text()->setText(QStringLiteral("/shared"));
            return true;
        });
        pane->search_button()->click();
        EXPECT_TRUE(listed_urls().contains(page)) << "mode " << mode;
    }
    set_memo_search_responder({});
}

TEST_F(ShareTest, TheOtherUsersMoveAndDeletionArriveOnReload)
{
    memo::MemoPackage theirs;
    theirs.url = page_url();
    theirs.time = memo::now_time();
    auto box = std::make_unique<memo::TextBoxObject>();
    box->rect = {10, 10, 110, 40};
    box->time = memo::now_time();
    box->owner = "other";
    const memo::Guid id = theirs.add(std::move(box)).id;
    bool merged = false;
    ASSERT_TRUE(share::commit_package("127.0.0.1", server_->port(), theirs, merged));

    start_sharing();
    CTabBrowserWnd* tab = open_shared();
    memo::PackageCache& cache = app().package_cache();
    ASSERT_TRUE(wait_until([&] {
        const auto package = cache.lookup(page_url(), false);
        return package && package->find(id);
    }));
    const memo::Rect placed = cache.lookup(page_url(), false)->find(id)->bounds();

    // The other user moves it twice; the browser reloads after each move.
    auto move_and_reload = [&](int step) {
        theirs.find(id)->move(100, 0);
        static_cast<memo::TextBoxObject*>(theirs.find(id))->text = "step " + std::to_string(step);
        theirs.find(id)->time = memo::now_time() + step;
        theirs.time = memo::now_time() + step;
        ASSERT_TRUE(share::commit_package("127.0.0.1", server_->port(), theirs, merged));
        const std::uint64_t passes = app().share_client()->worker()->completed_passes();
        tab->OnCommand(res::cmd::kRefresh);
        ASSERT_TRUE(wait_until([&] { return app().share_client()->worker()->completed_passes() >= passes + 3 && !tab->busy(); }));
        settle(*app().share_client());
        ASSERT_TRUE(wait_until([&] { return app().share_client()->state().inbox_size() == 0; }));
    };
    app().settings().share_position = 1;
    move_and_reload(60);
    const memo::Rect moved = cache.lookup(page_url(), false)->find(id)->bounds();
    EXPECT_EQ(moved.left, placed.left + 100);

    app().settings().share_position = 0;
    move_and_reload(120);
    const auto package = cache.lookup(page_url(), false);
    EXPECT_EQ(package->find(id)->bounds(), moved);
    EXPECT_EQ(static_cast<memo::TextBoxObject*>(package->find(id))->text, "step 120");  // the rest did

    // The other user deletes every memo of the site; the next check here removes them too.
    ASSERT_TRUE(share::delete_package("127.0.0.1", server_->port(), page_url()));
    tab->OnCommand(res::cmd::kRefresh);
    EXPECT_TRUE(wait_until([&] { return cache.lookup(page_url(), false)->empty(); }));
}

namespace {

// What a closing frame would record: nothing, for a settings file written by the test.
class NoFrame : public settings::FrameState {
public:
    std::vector<settings::OpenTab> open_tabs() const override { return {}; }
    settings::BarVisibility bars() const override { return {}; }
    settings::Rect explorer_rect() const override { return {0, 0, 200, 200}; }
    bool maximized() const override { return false; }
    std::vector<settings::RebarBand> bands() const override { return {}; }
};

// Two users, two programs: this browser draws and commits; a second marvo process with its own
// data folder opens the same page, receives the memo and a message, and keeps the memo when closed.
TEST_F(ShareTest, ASecondBrowserProgramReceivesTheMemoAndAMessage)
{
    start_sharing();
    CTabBrowserWnd* tab = open_shared();
    draw_and_return_to_browse_mode(tab);
    settle(*app().share_client());
    ASSERT_TRUE(wait_until([&] { auto copy = server_copy(); return copy && copy->size() == 1; }));

    TempDir other;
    std::filesystem::create_directories(other.path() / "Marvo");
    settings::Settings second;
    second.set_server_addr("127.0.0.1");
    second.server_port = server_->port();
    second.user_name = "second";
    second.openlast = 0;
    second.check_time = 0;  // poll for messages on every pass
    ASSERT_TRUE(settings::save_settings(second, NoFrame(),
                                        (other.path() / "Marvo" / settings::kSettingsFileName).string()));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(other.path().string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    environment.insert(QStringLiteral("MARVO_TRACE"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    QByteArray trace;
    QObject::connect(&program, &QProcess::readyReadStandardError, [&] { trace += program.readAllStandardError(); });
    const int hits_before = pages_.hits(QStringLiteral("/shared"));
    program.start(QStringLiteral(MARVO_BINARY_DIR "/app/marvo"), {pages_.url(QStringLiteral("/shared")).toString()});
    ASSERT_TRUE(program.waitForStarted(10000));
    // The first start of a web engine on a fresh, busy machine takes far longer than any
    // later one: the program's engine asking for the page is waited for apart, generously.
    ASSERT_TRUE(wait_until([&] { return pages_.hits(QStringLiteral("/shared")) > hits_before; }, 120000))
        << trace.toStdString();
    // The worker traces a successful fetch of the site; the delivery reaches the cache next.
    ASSERT_TRUE(wait_until([&] { return trace.contains("受信成功"); }, 30000)) << trace.toStdString();
    // A message from this browser's user reaches the second program at its next poll.
    ASSERT_TRUE(share::send_message("127.0.0.1", server_->port(), "browser", "second", "hello second"));
    ASSERT_TRUE(wait_until([&] { return trace.contains("instant messages received: 1"); }, 30000))
        << trace.toStdString();
    program.terminate();  // SIGTERM: closes the frame like its close command, which saves the memos
    ASSERT_TRUE(wait_until([&] { return program.state() == QProcess::NotRunning; }, 30000));

    std::vector<std::unique_ptr<memo::MemoPackage>> saved;
    for (const auto& entry : std::filesystem::directory_iterator(other.path() / "Marvo" / "memo")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        for (auto& package : memo::parse_memo_file(bytes))
            saved.push_back(std::move(package));
    }
    ASSERT_EQ(saved.size(), 1u);
    ASSERT_EQ(saved[0]->size(), 1u);
    EXPECT_EQ(saved[0]->at(0).owner, "browser");
}

} // namespace
