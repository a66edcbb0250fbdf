// Menus of the main frame: built from the menu resources, their states follow the command
// route, and some popups get their tail filled when they open.
#include <QAction>
#include <QMenu>

#include "app/AppIcons.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/PlacesWiring.h"
#include "app/TabBrowserWnd.h"
#include "app/ToolBands.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "res/StringTable.h"
#include "ui/Texts.h"

QAction* CMainFrame::action(int id)
{
    if (QAction* existing = actions_.value(id))
        return existing;
    auto* command = new QAction(this);
    const QString tip = ui::string_tooltip(id);
    const QString prompt = ui::string_prompt(id);
    command->setStatusTip(prompt);
    command->setToolTip(tip.isEmpty() ? prompt : tip);
    command->setIcon(app_icons::command(id));
    command->setData(id);
    connect(command, &QAction::triggered, this, [this, id] { route(id); });
    actions_.insert(id, command);
    return command;
}

// A menu gets its items (and submenus) when it first opens: laying out a menu shapes every
// text and loads every icon, and most menus of a run are never opened.
QMenu* CMainFrame::build_menu(const res::MenuItem& popup, QWidget* parent)
{
    auto* menu = new QMenu(ui::menu_text(popup.text), parent);
    const int first_command = !popup.items.empty() && popup.items.front().isCommand() ? popup.items.front().command : 0;
    connect(menu, &QMenu::aboutToShow, this, [this, menu, &popup, first_command, kept = -1]() mutable {
        if (kept < 0) {
            add_menu_items(menu, popup);
            kept = static_cast<int>(menu->actions().size());
        }
        // Drop what the last opening appended, then fill again.
        const QList<QAction*> all = menu->actions();
        for (int i = kept; i < all.size(); ++i) {
            menu->removeAction(all[i]);
            all[i]->deleteLater();
        }
        fill_popup(menu, first_command);
        update_menu_states(menu);
    });
    return menu;
}

void CMainFrame::add_menu_items(QMenu* menu, const res::MenuItem& popup)
{
    for (const res::MenuItem& item : popup.items) {
        if (item.isSeparator()) {
            menu->addSeparator();
        } else if (item.isPopup()) {
            menu->addMenu(build_menu(item, menu));
        } else {
            QAction* command = action(item.command);
            if (command->text().isEmpty())
                command->setText(ui::menu_text(item.text));
            menu->addAction(command);
        }
    }
}

void CMainFrame::update_menu_states(QMenu* menu)
{
    for (QAction* item : menu->actions()) {
        const int id = item->data().toInt();
        if (item->menu() || item->isSeparator() || id == 0 || !actions_.contains(id))
            continue;
        const CommandState state = command_state(id);
        item->setEnabled(state.enabled);
        item->setCheckable(state.checked || item->isCheckable());
        item->setChecked(state.checked);
    }
}

// The run-time tails: open tabs, recently closed pages and proxy servers.
void CMainFrame::fill_popup(QMenu* menu, int first_command)
{
    using namespace res::cmd;
    if (first_command == kCloseAll) {
        for (CChildFrame* tab : tabs()) {
            QAction* item = menu->addAction(tab->browser()->site_icon(), tab->windowTitle());
            connect(item, &QAction::triggered, this, [this, tab = QPointer<CChildFrame>(tab)] {
                if (tab)
                    strip_->Activate(strip_->index_of(tab));
            });
        }
    } else if (first_command == kReopenLastClosed) {
        const auto& pages = theApp().settings().lastclose;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            QAction* item = menu->addAction(pages[i].title.empty() ? platform::shown_url(pages[i].url)
                                                                   : platform::to_qstring(pages[i].title));
            connect(item, &QAction::triggered, this, [url = pages[i].url] { theApp().OpenInNewTab(url); });
        }
    } else if (first_command == kAddFavorite) {
        fill_favorites_popup(menu);
    } else if (first_command == kProxyDirect) {
        const settings::Settings& options = theApp().settings();
        for (std::size_t i = 0; i < options.proxy.size(); ++i) {
            QAction* item = menu->addAction(platform::to_qstring(options.proxy[i]));
            item->setCheckable(true);
            item->setChecked(options.proxy_setting == 2 && options.proxy_index == static_cast<int>(i));
            connect(item, &QAction::triggered, this, [i] { theApp().SetProxy(2, static_cast<int>(i)); });
        }
    }
}

void CMainFrame::show_tab_menu(QMdiSubWindow* tab, const QPoint& global_position)
{
    const res::Menu* context = res::menu(res::menuid::kTabContext);
    if (!context || context->items.empty() || !context->items.front().isPopup())
        return;
    if (auto* frame = qobject_cast<CChildFrame*>(tab))
        mdi_area()->setActiveSubWindow(frame);
    QMenu* menu = build_menu(context->items.front(), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(global_position);
}

// The bar area's context menu: the bars, then the tool bands.
QMenu* CMainFrame::createPopupMenu()
{
    return ToolBands::of(this)->rebar_menu(this);
}
