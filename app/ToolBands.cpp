#include "app/ToolBands.h"

#include <QAction>
#include <QMenu>
#include <QPluginLoader>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/SiteSearchBand.h"
#include "app/TabBrowserWnd.h"
#include "platform/RegistryStore.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "ui/BandBar.h"
#include "ui/Texts.h"

namespace {

using Root = platform::RegistryStore::Root;

const QString kToolbarKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar");

QString registry_text(Root root, const QString& key, const QString& name)
{
    const std::optional<QByteArray> value = theApp().registry().value(root, key, name);
    return value ? QString::fromUtf8(*value) : QString();
}

} // namespace

void register_builtin_tool_bands()
{
    platform::RegistryStore& registry = theApp().registry();
    const QString id = QString::fromLatin1(ToolBands::kSiteSearchBand);
    if (!registry.value(Root::LocalMachine, kToolbarKey, id))
        registry.set_value(Root::LocalMachine, kToolbarKey, id, QByteArray());
    if (!registry.value(Root::ClassesRoot, QStringLiteral("CLSID\\") + id, QString()))
        registry.set_value(Root::ClassesRoot, QStringLiteral("CLSID\\") + id, QString(), QByteArray("サイト内検索"));  // not translated: registry data
}

ToolBands::ToolBands(CMainFrame* frame) : QObject(frame), frame_(frame)
{
    setObjectName(QStringLiteral("ToolBands"));
    reload();
}

ToolBands::~ToolBands()
{
    for (Entry& entry : entries_)
        if (entry.band)
            entry.band->close_band();
}

ToolBands* ToolBands::of(CMainFrame* frame)
{
    if (auto* existing = frame->findChild<ToolBands*>(QStringLiteral("ToolBands"), Qt::FindDirectChildrenOnly))
        return existing;
    return new ToolBands(frame);
}

void ToolBands::reload()
{
    for (const QString& id : theApp().registry().value_names(Root::LocalMachine, kToolbarKey)) {
        if (!id.startsWith(QLatin1Char('{')) || !id.endsWith(QLatin1Char('}')) || id.size() > 260)
            continue;
        if (std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.class_id == id; }))
            continue;
        QString name = registry_text(Root::ClassesRoot, QStringLiteral("CLSID\\") + id, QString());
        entries_.push_back({id, name.isEmpty() ? id : name, nullptr, nullptr});
    }
}

std::unique_ptr<ToolBand> ToolBands::instantiate(const QString& class_id) const
{
    if (class_id == QLatin1String(kSiteSearchBand))
        return std::make_unique<CSiteSearchBand>();
    const QString file = registry_text(Root::ClassesRoot, QStringLiteral("CLSID\\") + class_id + QStringLiteral("\\InprocServer32"), QString());
    if (file.isEmpty())
        return nullptr;
    QPluginLoader loader(file);
    auto* factory = qobject_cast<ToolBandFactory*>(loader.instance());
    return factory ? std::unique_ptr<ToolBand>(factory->create_tool_band()) : nullptr;
}

void ToolBands::toggle(int index)
{
    if (index < 0 || index >= static_cast<int>(entries_.size()))
        return;
    Entry& entry = entries_[static_cast<std::size_t>(index)];
    if (entry.bar)
        entry.bar->setVisible(!entry.bar->isVisible());
    else
        create_at(entry, 0, true);
}

bool ToolBands::create(const std::string& name, unsigned width, bool new_row)
{
    for (Entry& entry : entries_)
        if (entry.name.toStdString() == name)
            return entry.bar || create_at(entry, width, new_row);
    return false;
}

std::vector<std::string> ToolBands::names() const
{
    std::vector<std::string> list;
    for (const Entry& entry : entries_)
        list.push_back(entry.name.toStdString());
    return list;
}

// A band that cannot be made, or gives no window, is dropped and not added.
bool ToolBands::create_at(Entry& entry, unsigned width, bool new_row)
{
    entry.band = instantiate(entry.class_id);
    if (!entry.band)
        return false;
    auto* bar = new ui::BandBar(entry.name, frame_);
    QWidget* window = entry.band->create_band(this, bar);
    if (!window) {
        entry.band.reset();
        delete bar;
        return false;
    }
    bar->setObjectName(entry.name);
    bar->setProperty(kBandProperty, true);
    bar->setMovable(true);
    bar->addWidget(window);
    const QSize minimum = entry.band->minimum_size();
    bar->setMinimumSize(std::max(50, minimum.width()), std::max(24, minimum.height()));
    if (new_row)
        frame_->addToolBarBreak(Qt::TopToolBarArea);
    frame_->addToolBar(Qt::TopToolBarArea, bar);
    bar->set_saved_width(static_cast<int>(width));
    bar->show();
    entry.bar = bar;
    return true;
}

QMenu* ToolBands::rebar_menu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const res::Menu* resource = res::menu(res::menuid::kRebar);
    if (resource && !resource->items.empty())
        for (const res::MenuItem& item : resource->items.front().items) {
            if (item.isSeparator()) {
                menu->addSeparator();
                continue;
            }
            QAction* command = frame_->action(item.command);
            command->setCheckable(true);
            command->setChecked(frame_->command_state(item.command).checked);
            if (command->text().isEmpty())
                command->setText(ui::menu_text(item.text));
            menu->addAction(command);
        }
    reload();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        QAction* item = menu->addAction(entries_[i].name);
        item->setData(res::cmd::kToolBandItem);
        item->setCheckable(true);
        item->setChecked(entries_[i].bar && entries_[i].bar->isVisible());
        connect(item, &QAction::triggered, this, [this, i] { toggle(static_cast<int>(i)); });
    }
    return menu;
}

// The hidden browser is made the first time a band asks while no tab is open.
QWebEngineView* ToolBands::target() const
{
    if (CTabBrowserWnd* browser = theApp().ActiveBrowser())
        return browser->view();
    if (!fallback_) {
        fallback_ = new QWebEngineView(frame_);
        fallback_->setPage(new QWebEnginePage(theApp().profile(), fallback_));
        fallback_->hide();
    }
    return fallback_;
}

QUrl ToolBands::LocationURL() const
{
    return target()->url();
}

QString ToolBands::LocationName() const
{
    return target()->title();
}

bool ToolBands::Busy() const
{
    CTabBrowserWnd* browser = theApp().ActiveBrowser();
    return browser && browser->busy();
}

void ToolBands::Navigate(const QUrl& url)
{
    if (CTabBrowserWnd* browser = theApp().ActiveBrowser())
        browser->Navigate(url);
}

void ToolBands::GoBack()
{
    target()->back();
}

void ToolBands::GoForward()
{
    target()->forward();
}

void ToolBands::Refresh()
{
    target()->reload();
}

void ToolBands::Stop()
{
    target()->stop();
}

QWebEnginePage* ToolBands::Page() const
{
    return target()->page();
}
