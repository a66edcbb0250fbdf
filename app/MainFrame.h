#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <vector>

#include "app/CommandTarget.h"
#include "app/TabStrip.h"
#include "ui/BandBar.h"

class ActivityIndicator;
class CChildFrame;
class CTabBrowserWnd;
class QAction;
class QComboBox;
class FirstPageHold;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QStackedWidget;
class QToolBar;
namespace res {
struct MenuItem;
}

// The main window: menu bar, navigation, address and link bars as bands of the top area,
// the drawing bar at the right, the explorer bar at the left, the status bar, and the tab
// strip over the tab area. It routes commands, fills menus at run time and saves the
// program's state when it closes.
class CMainFrame : public QMainWindow, public CommandTarget, public TabStripHost {
    Q_OBJECT
public:
    // Band names, the window texts the saved layout refers to.
    static constexpr const char* kMenuBarBand = "Native:MenuBar";
    static constexpr const char* kNaviBarBand = "Native:NaviBar";
    static constexpr const char* kAddressBarBand = "Native:AddressBar";
    static constexpr const char* kLinkBarBand = "Native:LinkBar";

    // The window starts with its tab area only, so that the first page can start loading
    // while the bars and panes are built: `create_bars` follows, once, before it is shown.
    CMainFrame();
    ~CMainFrame() override;
    void create_bars();
    // Shows the frame for the first time (maximized or not) with its layout already final.
    void show_settled(bool maximized);
    // While the active tab's first page is on its way, changes to the bars wait for it (see
    // change_bars).
    void hold_first_page_changes();

    // Tabs
    // A tab given its first page starts loading it before it takes its place in the tab area.
    CChildFrame* create_tab(CChildFrame* opener, const QUrl& first_page = QUrl());
    CChildFrame* active_tab() const;
    std::vector<CChildFrame*> tabs() const;  // in strip order
    CMDICtrlButton* tab_strip() const { return strip_; }
    QMdiArea* mdi_area() const { return mdi_; }
    void tab_changed(CChildFrame* tab);
    void tab_closing(CChildFrame* tab);
    void close_tabs_around(CChildFrame* tab, int command);
    void repaint_tab_strip();

    // Sends a command along the route: active tab's browser, its frame, this frame, the app.
    bool route(int id);
    CommandState command_state(int id);
    QAction* action(int id);

    void set_activity(bool busy);
    void set_address(const QUrl& url);
    // Makes a change to the bars now, or right after the first page's first frame while the
    // frame waits for it (see FirstPageHold).
    void change_bars(std::function<void()> change);
    QStatusBar* status() const;
    bool bar_visible(const char* band) const;
    ui::BandBar* band(const QString& name) const;
    QDockWidget* explorer_bar() const { return explorer_; }
    bool drawing_bar_visible() const;
    int explorer_pane() const;  // 0 favorites, 1 memo, 2 history; -1 hidden

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    // The bar area's context menu: the bars to show or hide.
    QMenu* createPopupMenu() override;

    // TabStripHost
    QMdiSubWindow* opener_of(QMdiSubWindow* tab) const override;
    bool is_locked(QMdiSubWindow* tab) const override;
    QIcon site_icon(QMdiSubWindow* tab) const override;
    void close_tab(QMdiSubWindow* tab) override;
    void drag_tab_out(QMdiSubWindow* tab) override;
    void show_tab_menu(QMdiSubWindow* tab, const QPoint& global_position) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    ui::BandBar* create_menu_band();
    ui::BandBar* create_navigation_bar();
    ui::BandBar* create_address_bar();
    ui::BandBar* create_link_bar();
    QToolBar* create_drawing_bar();
    void create_option_panels();
    void create_explorer_bar();
    void create_status_bar();
    void install_accelerators();
    void place_bands();
    QMenu* build_menu(const res::MenuItem& popup, QWidget* parent);
    void add_menu_items(QMenu* menu, const res::MenuItem& popup);
    void fill_popup(QMenu* menu, int first_command);
    void update_menu_states(QMenu* menu);
    void toggle_explorer_pane(int pane);
    void create_explorer_pane(int pane);
    void track_window_rect();
    void open_dropped(const QList<QUrl>& urls);
    void update_status_panes();
    void cycle_pane(int step);
    void cycle_tab(int step);

    void bring_to_front(CChildFrame* tab);

    QMdiArea* mdi_ = nullptr;
    // The tab whose page is shown; the others are hidden from the engine.
    QPointer<CChildFrame> front_tab_;
    CMDICtrlButton* strip_ = nullptr;
    QHash<int, QAction*> actions_;
    std::vector<ui::BandBar*> native_bands_;
    QToolBar* drawing_bar_ = nullptr;
    QWidget* panel_area_ = nullptr;  // keeps the option panels' width in the drawing bar
    QPointer<QWidget> option_panels_;
    int tools_watch_ = 0;  // the drawing bar follows the current tool
    QDockWidget* explorer_ = nullptr;
    QStackedWidget* explorer_panes_ = nullptr;
    QSet<int> created_panes_;
    QComboBox* address_ = nullptr;
    ActivityIndicator* activity_ = nullptr;
    QLabel* share_pane_ = nullptr;
    QLabel* buffer_pane_ = nullptr;
    QLabel* width_pane_ = nullptr;
    QLabel* hidden_pane_ = nullptr;  // shown while the active tab's memos are hidden
    QLabel* zoom_pane_ = nullptr;    // the active page's zoom, while it is not 100 %
    QDateTime drag_out_ended_;
    // While the first page is on its way, the bars' changes wait for its first frame.
    QPointer<FirstPageHold> first_page_hold_;
};
