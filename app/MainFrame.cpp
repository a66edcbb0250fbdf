#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QStackedWidget>
#include <QWebEngineView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDrag>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/ActivityIndicator.h"
#include "app/AddressBar.h"
#include "app/BandLayout.h"
#include "app/ChildFrame.h"
#include "app/DocumentRules.h"
#include "app/FirstPageHold.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "app/TabLifecycle.h"
#include "app/ToolBands.h"
#include "memo/ui/Tools.h"
#include "places/Shortcut.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

CMainFrame::CMainFrame()
{
    setWindowTitle(QStringLiteral("Marvo"));
    setAcceptDrops(true);
    setDockNestingEnabled(false);

    auto* center = new QWidget(this);
    auto* layout = new QVBoxLayout(center);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mdi_ = new QMdiArea(center);
    mdi_->setViewMode(QMdiArea::SubWindowView);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mdi_->setAcceptDrops(true);
    strip_ = new CMDICtrlButton(mdi_, this, center);
    strip_->setObjectName(QStringLiteral("TabStrip"));
    auto update_strip_height = [this] {
        const int height = strip_->wanted_height();
        strip_->setFixedHeight(height);
        strip_->setVisible(height > 0);
    };
    connect(strip_, &CMDICtrlButton::heightChanged, this, update_strip_height);
    update_strip_height();
    layout->addWidget(strip_);
    layout->addWidget(mdi_, 1);
    setCentralWidget(center);
    // Showing the frame activates each tab in turn: only the one left active comes to the front.
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (auto* tab = qobject_cast<CChildFrame*>(mdi_->currentSubWindow()))
                bring_to_front(tab);
        });
    });
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* tab = qobject_cast<CChildFrame*>(window)) {
            // The active tab has its view from the start, though it comes to the front later.
            tab->browser()->ensure_view();
            tab->showMaximized();
            // The program's text size is the active tab's: new tabs and the next start take it.
            theApp().settings().fontsize = tab->browser()->font_size();
            set_address(tab->browser()->LocationURL());
            set_activity(tab->browser()->busy());
        }
    });

    const settings::Rect& rect = theApp().settings().rect;
    setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// Showing posts layout requests that climb the widget tree one pass of the event loop at a
// time. Each one that reached the frame after its first paint would relayout the docks and
// repaint their separators, and every repaint of the window composes it whole with the page's
// surface, which holds up the first page. Delivering them now settles the layout before the
// window is painted; one pass per level of the deepest bar is enough, more cost nothing.
void CMainFrame::show_settled(bool maximized)
{
    constexpr int kLayoutLevels = 8;
    if (maximized)
        showMaximized();
    else
        show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::PolishRequest);
    for (int level = 0; level < kLayoutLevels; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

void CMainFrame::hold_first_page_changes()
{
    CChildFrame* tab = active_tab();
    if (!tab || !tab->browser()->busy() || !tab->browser()->view())
        return;
    first_page_hold_ = new FirstPageHold(*tab->browser(), this);
}

void CMainFrame::change_bars(std::function<void()> change)
{
    if (first_page_hold_)
        first_page_hold_->defer(std::move(change));
    else
        change();
}

CMainFrame::~CMainFrame()
{
    // Changes still held are for bars on their way out: made while the tabs close, they would
    // reach bars already gone.
    delete first_page_hold_.data();
    // Panels never made leave the tools pointing at this frame.
    if (drawing_bar_)
        theApp().tools().unwatch(tools_watch_);
    if (!option_panels_ && drawing_bar_)
        theApp().tools().bind_panel = nullptr;
}

// ---- tabs ----

CChildFrame* CMainFrame::create_tab(CChildFrame* opener, const QUrl& first_page)
{
    auto* tab = new CChildFrame(opener);
    CTabBrowserWnd* browser = tab->browser();
    connect(browser, &CTabBrowserWnd::urlChanged, this, [this, tab](const QUrl& url) {
        // Held, the address is shown only if its tab is still the active one by then.
        change_bars([this, tab = QPointer<CChildFrame>(tab), url] {
            if (tab && tab == active_tab())
                set_address(url);
        });
        theApp().session_changed();
    });
    connect(browser, &CTabBrowserWnd::statusTextChanged, this, [this, tab](const QString& text) {
        if (tab == active_tab())
            statusBar()->showMessage(text);
    });
    connect(browser, &CTabBrowserWnd::busyChanged, this, [this, tab](bool busy) {
        if (tab == active_tab())
            set_activity(busy);
    });
    connect(browser, &CTabBrowserWnd::iconChanged, strip_, qOverload<>(&QWidget::update));
    if (!first_page.isEmpty())
        browser->Navigate(first_page);
    // The tab in front goes behind before the tab area shows the new one over it, which would
    // show it to the engine once more.
    if (front_tab_)
        front_tab_->browser()->lifecycle().to_background();
    mdi_->addSubWindow(tab);
    tab->showMaximized();
    mdi_->setActiveSubWindow(tab);
    strip_->Resync();
    return tab;
}

// The active tab is the one shown; it stays so while another window has the focus.
void CMainFrame::bring_to_front(CChildFrame* tab)
{
    if (tab == front_tab_ && !tab->browser()->lifecycle().in_background())
        return;
    front_tab_ = tab;
    for (CChildFrame* other : tabs())
        if (other != tab)
            other->browser()->lifecycle().to_background();
    tab->browser()->lifecycle().to_front();
}

CChildFrame* CMainFrame::active_tab() const
{
    return qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
}

std::vector<CChildFrame*> CMainFrame::tabs() const
{
    std::vector<CChildFrame*> list;
    for (int i = 0; i < strip_->count(); ++i)
        if (auto* tab = qobject_cast<CChildFrame*>(strip_->tab(i)))
            list.push_back(tab);
    return list;
}

void CMainFrame::tab_changed(CChildFrame*)
{
    change_bars([this] { strip_->Resync(); });
}

void CMainFrame::repaint_tab_strip()
{
    strip_->update();
}

// A closing tab goes to the front of the recently closed pages; after the last one the
// address bar is cleared.
void CMainFrame::tab_closing(CChildFrame* tab)
{
    CTabBrowserWnd* browser = tab->browser();
    const std::string url = platform::model_url(browser->LocationURL());
    if (!url.empty())
        remember_closed_page(theApp().settings().lastclose, {platform::from_qstring(browser->LocationName()), url});
    theApp().session_changed();
    QTimer::singleShot(0, this, [this] {
        strip_->Resync();
        if (strip_->count() == 0)
            set_address({});
    });
}

void CMainFrame::close_tabs_around(CChildFrame* tab, int command)
{
    const std::vector<CChildFrame*> list = tabs();
    const auto position = std::find(list.begin(), list.end(), tab) - list.begin();
    for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(list.size()); ++i) {
        const bool close = command == res::cmd::kCloseOthers ? i != position
                           : command == res::cmd::kCloseRight ? i > position
                                                              : i < position;
        if (close)
            list[static_cast<std::size_t>(i)]->close();
    }
    strip_->Resync();
    mdi_->setActiveSubWindow(tab);
}

// ---- the tab strip's host ----

QMdiSubWindow* CMainFrame::opener_of(QMdiSubWindow* tab) const
{
    auto* frame = qobject_cast<CChildFrame*>(tab);
    return frame ? frame->opener() : nullptr;
}

bool CMainFrame::is_locked(QMdiSubWindow* tab) const
{
    auto* frame = qobject_cast<CChildFrame*>(tab);
    return frame && frame->browser()->navigation_lock();
}

QIcon CMainFrame::site_icon(QMdiSubWindow* tab) const
{
    auto* frame = qobject_cast<CChildFrame*>(tab);
    return frame ? frame->browser()->site_icon() : QIcon();
}

void CMainFrame::close_tab(QMdiSubWindow* tab)
{
    tab->close();
}

// Drags the tab's page out as an internet shortcut in the temp folder.
void CMainFrame::drag_tab_out(QMdiSubWindow* tab)
{
    auto* frame = qobject_cast<CChildFrame*>(tab);
    if (!frame)
        return;
    const std::string url = platform::model_url(frame->browser()->LocationURL());
    const std::filesystem::path file =
        places::shortcut_path(theApp().folders().temp, frame->windowTitle().toStdString());
    if (!places::write_internet_shortcut(file, url))
        return;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    auto* drag = new QDrag(strip_);
    drag->setMimeData(data);
    drag->setPixmap(frame->browser()->site_icon().pixmap(16, 16));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    drag_out_ended_ = QDateTime::currentDateTime();
}

// ---- commands ----

bool CMainFrame::route(int id)
{
    CChildFrame* tab = active_tab();
    return route_command({tab ? tab->browser() : nullptr, tab, this, &theApp()}, id);
}

CommandState CMainFrame::command_state(int id)
{
    CChildFrame* tab = active_tab();
    return route_update({tab ? tab->browser() : nullptr, tab, this, &theApp()}, id);
}

bool CMainFrame::OnCommand(int id)
{
    using namespace res::cmd;
    auto toggle = [](QWidget* bar) { bar->setVisible(!bar->isVisible()); };
    switch (id) {
    case kNavigationBar:
        toggle(band(kNaviBarBand));
        return true;
    case kAddressBar:
        toggle(band(kAddressBarBand));
        return true;
    case kLinkBar:
        toggle(band(kLinkBarBand));
        return true;
    case kDrawingBar:
        toggle(drawing_bar_);
        return true;
    case kStatusBar:
        toggle(statusBar());
        return true;
    case kFavoritesPane:
        toggle_explorer_pane(0);
        return true;
    case kMemoPane:
        toggle_explorer_pane(1);
        return true;
    case kHistoryPane:
        toggle_explorer_pane(2);
        return true;
    case kCloseAll:
        for (CChildFrame* tab : tabs())
            tab->close();
        strip_->Resync();
        set_address({});
        return true;
    case kReopenLastClosed: {
        // The page leaves the list as it opens, so pressing again brings back the one before.
        auto& closed = theApp().settings().lastclose;
        if (!closed.empty()) {
            const std::string url = closed.front().url;
            closed.erase(closed.begin());
            theApp().OpenInNewTab(url);
        }
        return true;
    }
    case kHome:
        theApp().SetBrowseMode();
        if (CChildFrame* tab = active_tab())
            tab->browser()->Navigate(platform::url_from_model(theApp().home_page()));
        else
            theApp().OpenInNewTab(theApp().home_page());
        return true;
    case kExit:
        close();
        return true;
    case kNextPane:
    case kPreviousPane:
        cycle_pane(id == kNextPane ? 1 : -1);
        return true;
    case kNextTab:
    case kPreviousTab:
        cycle_tab(id == kNextTab ? 1 : -1);
        return true;
    case kFocusAddress:
        if (address_ && address_->isVisible()) {
            address_->setFocus(Qt::ShortcutFocusReason);
            address_->lineEdit()->selectAll();
        }
        return true;
    }
    return false;
}

// Ctrl+Tab and Ctrl+Shift+Tab go round the tabs in the order the strip shows them, not in
// the tab area's order of last activation.
void CMainFrame::cycle_tab(int step)
{
    const std::vector<CChildFrame*> list = tabs();
    const int count = static_cast<int>(list.size());
    if (count < 2)
        return;
    const int current = static_cast<int>(std::find(list.begin(), list.end(), active_tab()) - list.begin());
    mdi_->setActiveSubWindow(list[static_cast<std::size_t>(((current + step) % count + count) % count)]);
}

// F6 and Shift+F6 move the keyboard focus between the page, the address bar and the
// explorer bar, skipping what is hidden.
void CMainFrame::cycle_pane(int step)
{
    std::vector<QWidget*> panes;
    if (CChildFrame* tab = active_tab())
        panes.push_back(tab->browser()->view());
    if (address_->isVisible())
        panes.push_back(address_);
    if (explorer_->isVisible())
        panes.push_back(explorer_panes_->currentWidget());
    if (panes.empty())
        return;
    const auto focused = std::find_if(panes.begin(), panes.end(), [](QWidget* pane) {
        return pane->isAncestorOf(QApplication::focusWidget()) || pane == QApplication::focusWidget();
    });
    const int count = static_cast<int>(panes.size());
    const int current = focused == panes.end() ? -1 : static_cast<int>(focused - panes.begin());
    panes[static_cast<std::size_t>(((current + step) % count + count) % count)]->setFocus(Qt::ShortcutFocusReason);
}

bool CMainFrame::OnUpdateCommand(int id, CommandState& state)
{
    using namespace res::cmd;
    switch (id) {
    case kNavigationBar:
        state.checked = bar_visible(kNaviBarBand);
        return true;
    case kAddressBar:
        state.checked = bar_visible(kAddressBarBand);
        return true;
    case kLinkBar:
        state.checked = bar_visible(kLinkBarBand);
        return true;
    case kDrawingBar:
        state.checked = drawing_bar_->isVisible();
        return true;
    case kStatusBar:
        state.checked = statusBar()->isVisible();
        return true;
    case kFavoritesPane:
        state.checked = explorer_pane() == 0;
        return true;
    case kMemoPane:
        state.checked = explorer_pane() == 1;
        return true;
    case kHistoryPane:
        state.checked = explorer_pane() == 2;
        return true;
    case kReopenLastClosed:
        state.enabled = !theApp().settings().lastclose.empty();
        return true;
    case kCloseAll:
    case kHome:
    case kExit:
    case kNextPane:
    case kPreviousPane:
    case kNextTab:
    case kPreviousTab:
    case kFocusAddress:
        return true;
    }
    return false;
}

// ---- bars ----

// Both may come from the first tab before the bars exist; `create_bars` catches up.
void CMainFrame::set_activity(bool busy)
{
    if (activity_)
        activity_->set_active(busy);
}

void CMainFrame::set_address(const QUrl& url)
{
    if (auto* bar = static_cast<CAddressBar*>(band(kAddressBarBand)))
        bar->SetAddress(url);
}

QStatusBar* CMainFrame::status() const
{
    return statusBar();
}

// ---- window events ----

void CMainFrame::track_window_rect()
{
    if (isMaximized() || isMinimized() || x() < 0)
        return;
    const QRect frame = geometry();
    theApp().settings().rect = {frame.left(), frame.top(), frame.left() + frame.width(),
                                frame.top() + frame.height()};
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    track_window_rect();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    track_window_rect();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    // A drop right after a tab was dragged out is that tab coming back: ignore it.
    if (drag_out_ended_.isValid() && drag_out_ended_.msecsTo(QDateTime::currentDateTime()) < 500)
        return;
    open_dropped(event->mimeData()->urls());
    event->acceptProposedAction();
}

// Only the first dropped file counts; it opens in a new tab.
void CMainFrame::open_dropped(const QList<QUrl>& urls)
{
    if (urls.isEmpty())
        return;
    const QUrl& first = urls.front();
    theApp().OpenInNewTab(first);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    theApp().save_state();
    theApp().end_session();  // the tabs closing now are no change of the session
    event->accept();
}
