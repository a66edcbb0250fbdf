// The bars and panes of the main frame and the placement of the top bands.
#include <QCoreApplication>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "memo/ui/OptionPanels.h"
#include "app/ActivityIndicator.h"
#include "app/AppIcons.h"
#include "app/AddressBar.h"
#include "app/BandLayout.h"
#include "app/MainFrame.h"
#include "app/MemoPane.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/MemoBarDlg.h"
#include "memo/ui/Tools.h"
#include "app/MarvoApp.h"
#include "app/PageZoom.h"
#include "app/PlacesWiring.h"
#include "app/ShareClient.h"
#include "app/ChildFrame.h"
#include "app/TabBrowserWnd.h"
#include "app/ToolBands.h"
#include "platform/QtText.h"
#include "res/Accelerators.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "res/StringTable.h"
#include "res/Toolbars.h"
#include "ui/BandBar.h"
#include "ui/MessageBox.h"
#include "ui/Texts.h"

namespace {

ui::BandBar* new_band(QMainWindow* frame, const char* name)
{
    auto* bar = new ui::BandBar(QString::fromUtf8(name), frame);
    bar->setObjectName(QString::fromUtf8(name));
    bar->setMovable(true);
    bar->setIconSize(QSize(26, 26));
    return bar;
}

} // namespace

void CMainFrame::create_bars()
{
    // The first icon loads the icon plug-in: not before the first page has started.
    setWindowIcon(app_icons::application());
    native_bands_ = {create_menu_band(), create_navigation_bar(), create_address_bar(), create_link_bar()};
    drawing_bar_ = create_drawing_bar();
    addToolBar(Qt::RightToolBarArea, drawing_bar_);
    create_explorer_bar();
    create_status_bar();
    place_bands();
    install_accelerators();

    const settings::Settings& options = theApp().settings();
    band(kNaviBarBand)->setVisible(options.toolbar);
    band(kAddressBarBand)->setVisible(options.addrbar);
    band(kLinkBarBand)->setVisible(options.linkbar);
    drawing_bar_->setVisible(options.drawbar);
    statusBar()->setVisible(options.statbar);
    const int pane = options.favobar ? 0 : options.memobar ? 1 : options.histbar ? 2 : -1;
    explorer_->setVisible(pane >= 0);
    if (pane >= 0) {
        create_explorer_pane(pane);
        explorer_panes_->setCurrentIndex(pane);
    }
    if (CChildFrame* tab = active_tab()) {
        set_address(tab->browser()->LocationURL());
        set_activity(tab->browser()->busy());
    }
}

// The frame's accelerator table: each command's keys, active anywhere in the main window.
void CMainFrame::install_accelerators()
{
    QHash<int, QList<QKeySequence>> keys;
    for (const res::Accelerator& accelerator : res::accelerators())
        keys[accelerator.command] << QKeySequence::fromString(
            QString::fromUtf8(accelerator.keys.data(), static_cast<qsizetype>(accelerator.keys.size())),
            QKeySequence::PortableText);
    for (auto entry = keys.cbegin(); entry != keys.cend(); ++entry) {
        QAction* command = action(entry.key());
        command->setShortcuts(entry.value());
        command->setShortcutContext(Qt::WindowShortcut);
        addAction(command);
    }
}

ui::BandBar* CMainFrame::create_menu_band()
{
    ui::BandBar* bar = new_band(this, kMenuBarBand);
    auto* row = new QWidget(bar);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menus = new QMenuBar(row);
    menus->setNativeMenuBar(false);
    if (const res::Menu* tab_menu = res::menu(res::menuid::kTab))
        for (const res::MenuItem& popup : tab_menu->items)
            if (popup.isPopup())
                menus->addMenu(build_menu(popup, menus));
    layout->addWidget(menus);
    layout->addStretch(1);
    activity_ = new ActivityIndicator(row);
    layout->addWidget(activity_);
    bar->addWidget(row);
    return bar;
}

ui::BandBar* CMainFrame::create_navigation_bar()
{
    using namespace res::cmd;
    ui::BandBar* bar = new_band(this, kNaviBarBand);
    for (const res::ToolbarButton& slot : res::navigationBar()) {
        if (slot.isSeparator()) {
            bar->addSeparator();
            continue;
        }
        QAction* command = action(slot.command);
        if (slot.textString != 0)
            command->setIconText(ui::string_text(slot.textString));
        auto* button = new QToolButton(bar);
        button->setDefaultAction(command);
        button->setToolButtonStyle(slot.textString != 0 ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
        if (slot.dropDown) {
            button->setPopupMode(QToolButton::MenuButtonPopup);
            auto* list = new QMenu(button);
            connect(list, &QMenu::aboutToShow, this, [this, list, back = slot.command == kBack] {
                list->clear();
                CChildFrame* tab = active_tab();
                if (!tab)
                    return;
                const QStringList titles = back ? tab->browser()->back_titles() : tab->browser()->forward_titles();
                for (int k = 0; k < titles.size() && k < 10; ++k) {
                    const int entry = back ? kBackList[k] : kForwardList[k];
                    list->addAction(titles[k], this, [this, entry] { route(entry); });
                }
            });
            button->setMenu(list);
        }
        bar->addWidget(button);
    }
    return bar;
}

ui::BandBar* CMainFrame::create_address_bar()
{
    return adopt_address_bar(this, kAddressBarBand, address_);
}

ui::BandBar* CMainFrame::create_link_bar()
{
    return create_link_band(this, kLinkBarBand);
}

QToolBar* CMainFrame::create_drawing_bar()
{
    auto* bar = new QToolBar(ui::string_text(res::cmd::kDrawingBar).section(QLatin1Char('\n'), 0, 0), this);
    bar->setObjectName(QStringLiteral("DrawingBar"));
    bar->setIconSize(QSize(24, 24));
    bar->setAllowedAreas(Qt::LeftToolBarArea | Qt::RightToolBarArea);  // the panels stand upright
    // Browse mode and the tools are one choice: exactly one button shows as pressed, the
    // current tool's, whoever changed it (a button, a menu, a key, the text tool when done).
    auto* modes = new QActionGroup(bar);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    CToolBox& tools = theApp().tools();
    for (const res::ToolbarButton& button : res::drawingBar()) {
        if (button.isSeparator()) {
            bar->addSeparator();
            continue;
        }
        QAction* command = action(button.command);
        if (button.command == res::cmd::kBrowseMode || tools.tool(button.command)) {
            command->setCheckable(true);
            modes->addAction(command);
        }
        bar->addAction(command);
    }
    // The option panels are made with the first tool, but their place is kept from the start:
    // the bar is as wide in browse mode as with any tool, so the page never changes width
    // (and is never laid out again) because a tool was chosen.
    panel_area_ = new QWidget(bar);
    panel_area_->setFixedWidth(COptionPanels::kWidth);
    auto* panel_layout = new QVBoxLayout(panel_area_);
    panel_layout->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(panel_area_);
    const auto show_current = [this](int id) { action(id != 0 ? id : res::cmd::kBrowseMode)->setChecked(true); };
    show_current(tools.current_id());
    // The tools' option panels follow the first tool chosen or the first object selected
    // that has a panel; in browse mode they would show nothing.
    tools_watch_ = tools.watch([this, show_current](int id) {
        show_current(id);
        if (id != 0)
            create_option_panels();  // shows the current tool's panel
    });
    tools.bind_panel = [this](int panel, CLayerWnd* layer, memo::MemoObject* object) {
        if (!object)
            return;
        CToolBox& toolbox = theApp().tools();
        create_option_panels();  // replaces this function: nothing captured is used below
        if (toolbox.bind_panel)
            toolbox.bind_panel(panel, layer, object);
    };
    return bar;
}

void CMainFrame::create_option_panels()
{
    if (option_panels_)
        return;
    option_panels_ = new COptionPanels(theApp().tools(), panel_area_);
    panel_area_->layout()->addWidget(option_panels_);
}

void CMainFrame::create_explorer_bar()
{
    static constexpr const char* kPaneTitles[] = {QT_TRANSLATE_NOOP("MainFrameBars", "お気に入り"),
                                                  QT_TRANSLATE_NOOP("MainFrameBars", "メモ履歴"),
                                                  QT_TRANSLATE_NOOP("MainFrameBars", "履歴")};
    const auto pane_title = [](int pane) { return QCoreApplication::translate("MainFrameBars", kPaneTitles[pane]); };
    explorer_ = new QDockWidget(pane_title(0), this);
    explorer_->setObjectName(QStringLiteral("ExplorerBar"));
    explorer_->setAllowedAreas(Qt::LeftDockWidgetArea);
    explorer_panes_ = new QStackedWidget(explorer_);
    for (int pane = 0; pane < static_cast<int>(std::size(kPaneTitles)); ++pane) {
        auto* placeholder = new QLabel(pane_title(pane), explorer_panes_);
        placeholder->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        placeholder->setMargin(6);
        explorer_panes_->addWidget(placeholder);
    }
    // The bar's title names the pane it shows.
    connect(explorer_panes_, &QStackedWidget::currentChanged, explorer_, [this, pane_title](int pane) {
        if (pane >= 0 && pane < static_cast<int>(std::size(kPaneTitles)))
            explorer_->setWindowTitle(pane_title(pane));
    });
    // The favorites pane is always there: adding a favorite goes through it.
    install_favorites_pane(explorer_panes_);
    explorer_->setWidget(explorer_panes_);
    addDockWidget(Qt::LeftDockWidgetArea, explorer_);
    const settings::Rect& area = theApp().settings().exprect;
    resizeDocks({explorer_}, {std::max(120, area.right - area.left)}, Qt::Horizontal);
}

void CMainFrame::create_status_bar()
{
    share_pane_ = new QLabel(ui::string_text(res::indicator::kShareState), this);
    share_pane_->setObjectName(QStringLiteral("SharePane"));
    buffer_pane_ = new QLabel(ui::string_text(res::indicator::kBuffering), this);
    width_pane_ = new QLabel(ui::string_text(res::str::kWidthFree), this);
    statusBar()->addPermanentWidget(share_pane_);
    statusBar()->addPermanentWidget(buffer_pane_);
    statusBar()->addPermanentWidget(width_pane_);
    hidden_pane_ = new QLabel(ui::string_text(res::str::kMemosHidden), this);
    statusBar()->addPermanentWidget(hidden_pane_);
    zoom_pane_ = new QLabel(this);
    zoom_pane_->setObjectName(QStringLiteral("ZoomPane"));
    statusBar()->addPermanentWidget(zoom_pane_);
    width_pane_->installEventFilter(this);
    update_status_panes();
    // The share pane follows the worker, which changes state on its own thread.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &CMainFrame::update_status_panes);
    refresh->start(ShareClient::kStatusRefreshMs);
}

void CMainFrame::update_status_panes()
{
    const ShareClient* share = theApp().share_client();
    share_pane_->setText(share ? share->pane_text() : ui::string_text(res::indicator::kShareState));
    // Single buffering only shows on a page with memos drawn without the off-screen buffer.
    CTabBrowserWnd* tab = theApp().ActiveBrowser();
    const CLayerWnd* layer = tab ? tab->layer() : nullptr;
    const bool single = layer && layer->page_has_package() && !layer->double_buffered();
    buffer_pane_->setText(ui::string_text(single ? res::str::kSingleBuffer : res::str::kDoubleBuffer));
    width_pane_->setText(ui::string_text(layer && layer->page_has_memos() ? res::str::kWidthLocked : res::str::kWidthFree));
    const bool hidden = layer && !layer->shown();
    hidden_pane_->setVisible(hidden);
    // The zoom shows while it is not 100 %.
    const int zoom = tab ? tab->zoom().percent() : 100;
    zoom_pane_->setText(QStringLiteral("%1%").arg(zoom));
    zoom_pane_->setVisible(zoom != 100);
}

// A click on the width pane of a page with memos offers to fit their width to the window.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == width_pane_ && event->type() == QEvent::MouseButtonPress) {
        CTabBrowserWnd* tab = theApp().ActiveBrowser();
        const CLayerWnd* layer = tab ? tab->layer() : nullptr;
        if (layer && layer->page_has_memos() &&
            ui::message_box(this, ui::string_text(res::str::kAskFitWidth), ui::Buttons::YesNo) == ui::Answer::Yes)
            tab->FitMemoWidthToWindow();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Saved entries in order, then the native bars the layout did not name, each on a new row.
void CMainFrame::place_bands()
{
    std::vector<std::string> names;
    for (QToolBar* bar : native_bands_)
        names.push_back(bar->objectName().toStdString());
    bool first = true;
    ToolBands* tool_bands = ToolBands::of(this);
    for (const BandPlacement& placement : ::place_bands(theApp().settings().bandinfo, names, tool_bands->names())) {
        if (placement.tool_band) {
            first = !tool_bands->create(placement.name, placement.cx, placement.new_row && !first) && first;
            continue;
        }
        ui::BandBar* bar = band(QString::fromStdString(placement.name));
        if (!bar)
            continue;
        if (placement.new_row && !first)
            addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, bar);
        bar->set_saved_width(static_cast<int>(placement.cx));
        first = false;
    }
}

ui::BandBar* CMainFrame::band(const QString& name) const
{
    for (ui::BandBar* bar : native_bands_)
        if (bar->objectName() == name)
            return bar;
    return nullptr;
}

bool CMainFrame::bar_visible(const char* name) const
{
    const QToolBar* bar = band(QString::fromUtf8(name));
    return bar && bar->isVisible();
}

bool CMainFrame::drawing_bar_visible() const
{
    return drawing_bar_->isVisible();
}

int CMainFrame::explorer_pane() const
{
    return explorer_->isVisible() ? explorer_panes_->currentIndex() : -1;
}

// The memo and history panes are made the first time they are shown; until then their
// places hold the plain placeholders.
void CMainFrame::create_explorer_pane(int pane)
{
    if (pane == 0 || created_panes_.contains(pane))
        return;
    created_panes_.insert(pane);
    if (pane == 2) {
        install_history_pane(explorer_panes_);
        return;
    }
    QWidget* placeholder = explorer_panes_->widget(1);
    explorer_panes_->insertWidget(1, create_memo_pane(explorer_panes_));
    explorer_panes_->removeWidget(placeholder);
    delete placeholder;
}

// Hidden: show with the pane. Shown with that pane: hide. Shown with another: switch.
void CMainFrame::toggle_explorer_pane(int pane)
{
    create_explorer_pane(pane);
    if (!explorer_->isVisible()) {
        explorer_panes_->setCurrentIndex(pane);
        explorer_->show();
    } else if (explorer_panes_->currentIndex() == pane) {
        explorer_->hide();
    } else {
        explorer_panes_->setCurrentIndex(pane);
    }
}
