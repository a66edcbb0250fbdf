#include "places/ui/LinkBar.h"

#include <QCoreApplication>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QMouseEvent>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QUrl>

#include "places/Shortcut.h"
#include "places/ui/PaneTree.h"
#include "places/ui/PlaceIcons.h"
#include "places/ui/PlacesHost.h"
#include "places/ui/UserReturn.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "res/StringTable.h"
#include "ui/Texts.h"

namespace fs = std::filesystem;

namespace {

// A link button dragged within the bar carries its position under this format.
const QString kLinkIndexFormat = QStringLiteral("application/x-marvo-link-index");

// The name a dragged link gets: the text the page gave it, else its address without scheme.
QString link_name(const QMimeData* data, const QUrl& url)
{
    if (data->hasFormat(QStringLiteral("text/x-moz-url"))) {
        const QString moz = QString::fromUtf16(reinterpret_cast<const char16_t*>(data->data(QStringLiteral("text/x-moz-url")).constData()),
                                               data->data(QStringLiteral("text/x-moz-url")).size() / 2);
        const QString title = moz.section(QLatin1Char('\n'), 1, 1).trimmed();
        if (!title.isEmpty())
            return title;
    }
    if (data->hasHtml()) {
        const QString text = QTextDocumentFragment::fromHtml(data->html()).toPlainText().simplified();
        if (!text.isEmpty() && text != url.toString())
            return text;
    }
    QString name = url.toString(QUrl::RemoveScheme | QUrl::StripTrailingSlash);
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name;
}

} // namespace

CLinkBar::CLinkBar(fs::path links_folder, fs::path order_file, PlacesHost& host, QWidget* parent)
    : ui::BandBar(parent), folder_(std::move(links_folder)), order_file_(std::move(order_file)), host_(host)
{
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(16, 16));
    setAcceptDrops(true);
    label_ = addWidget(new QLabel(QCoreApplication::translate("LinkBar", "リンク "), this));
    show_message = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Marvo"), text); };
    order_ = places::load_link_order(order_file_);
    build_link_bar();
    // Links added by other programs show when the user comes back.
    on_user_return(this, [this] {
        if (isVisible())
            build_link_bar();
    });
}

CLinkBar::~CLinkBar()
{
    places::save_link_order(order_file_, order_);
}

void CLinkBar::showEvent(QShowEvent* event)
{
    ui::BandBar::showEvent(event);
    build_link_bar();
}

void CLinkBar::build_link_bar()
{
    for (QAction* action : link_actions_) {
        removeAction(action);
        action->deleteLater();
    }
    link_actions_.clear();
    order_ = places::reconcile_link_order(order_, places::list_link_files(folder_));
    for (std::size_t i = 0; i < order_.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromStdString(places::link_button_text(order_[i])));
        button->setIcon(place_icons::page());
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        button->installEventFilter(this);
        const int index = static_cast<int>(i);
        connect(button, &QToolButton::clicked, this, [this, index] { run_command(res::cmd::kLinkOpen, index); });
        connect(button, &QWidget::customContextMenuRequested, this, [this, button, index](const QPoint& at) {
            show_menu(index, button->mapToGlobal(at));
        });
        link_actions_.push_back(addWidget(button));
    }
}

std::vector<QToolButton*> CLinkBar::buttons() const
{
    std::vector<QToolButton*> list;
    for (QAction* action : link_actions_)
        list.push_back(qobject_cast<QToolButton*>(widgetForAction(action)));
    return list;
}

void CLinkBar::run_command(int id, int index)
{
    if (index < 0 || index >= static_cast<int>(order_.size()))
        return;
    const fs::path path = order_[static_cast<std::size_t>(index)];
    using namespace res::cmd;
    switch (id) {
    case kLinkOpen:
        host_.open_shortcut_in_active_tab(path);
        break;
    case kLinkOpenInNewTab:
        host_.open_shortcut_in_new_tab(path);
        break;
    case kLinkCut:
    case kLinkCopy:
        copy_to_clipboard(index, id == kLinkCut);
        break;
    case kLinkDelete:
        if (!QFile::moveToTrash(QString::fromStdString(path.string()))) {
            std::error_code error;
            fs::remove(path, error);
        }
        build_link_bar();
        break;
    case kLinkRename:
        rename(index);
        break;
    case kLinkProperties: {
        QString text = QCoreApplication::translate("LinkBar", "名前: %1").arg(QString::fromStdString(places::link_button_text(path)));
        if (const std::optional<std::string> url = places::read_internet_shortcut_url(path))
            text += QStringLiteral("\nURL: ") + platform::shown_url(*url);
        auto* box = new QMessageBox(QMessageBox::Information, QCoreApplication::translate("LinkBar", "プロパティ"), text, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        break;
    }
    default:
        break;
    }
}

// The file goes to the clipboard the way file managers take it; a cut link is moved by the
// paste, so nothing is lost when no paste follows.
void CLinkBar::copy_to_clipboard(int index, bool cut)
{
    const fs::path path = order_[static_cast<std::size_t>(index)];
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path.string()))});
    if (const std::optional<std::string> url = places::read_internet_shortcut_url(path))
        data->setText(platform::to_qstring(*url));
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArray(cut ? "cut\n" : "copy\n") + QUrl::fromLocalFile(QString::fromStdString(path.string())).toEncoded());
    if (cut)
        data->setData(QStringLiteral("application/x-kde-cutselection"), "1");
    QApplication::clipboard()->setMimeData(data);
}

void CLinkBar::rename(int index)
{
    const fs::path from = order_[static_cast<std::size_t>(index)];
    bool ok = false;
    const QString name = QInputDialog::getText(this, QCoreApplication::translate("LinkBar", "名前の変更"), QCoreApplication::translate("LinkBar", "名前:"), QLineEdit::Normal,
                                               QString::fromStdString(places::link_button_text(from)), &ok)
                             .trimmed();
    if (!ok || name.isEmpty() || name.contains(QLatin1Char('/')) || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return;
    const fs::path to = from.parent_path() / (name.toStdString() + from.extension().string());
    std::error_code error;
    if (to == from)
        return;
    if (fs::exists(fs::symlink_status(to, error))) {
        show_message(QString::fromStdString(places::link_button_text(from)) + ui::string_text(res::str::kCannotRename));
        return;
    }
    fs::rename(from, to, error);
    if (error)
        return;
    order_[static_cast<std::size_t>(index)] = to;
    build_link_bar();
}

void CLinkBar::show_menu(int index, const QPoint& global_position)
{
    popup_pane_menu(&res::linkBarMenu(), this, global_position, [this, index](int id) { run_command(id, index); });
}

int CLinkBar::index_at(const QPoint& position) const
{
    for (std::size_t i = 0; i < link_actions_.size(); ++i)
        if (QWidget* button = widgetForAction(link_actions_[i]); button && button->geometry().contains(position))
            return static_cast<int>(i);
    return -1;
}

bool CLinkBar::add_dropped(const QMimeData* data, int before)
{
    std::vector<fs::path> taken;
    std::error_code error;
    fs::create_directories(folder_, error);
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            // A file from elsewhere is copied in: the bar only shows the links folder.
            const fs::path source(url.toLocalFile().toStdString());
            if (!fs::is_regular_file(source, error))
                continue;
            fs::path target = source;
            if (source.parent_path() != folder_) {
                target = folder_ / source.filename();
                if (!fs::copy_file(source, target, fs::copy_options::skip_existing, error) && error)
                    continue;
            }
            taken.push_back(target);
        } else if (url.isValid() && !url.scheme().isEmpty()) {
            QString name = link_name(data, url);
            if (const qsizetype cut = name.indexOf(QStringLiteral(".url"), 0, Qt::CaseInsensitive); cut >= 0)
                name.truncate(cut);
            const std::string address = platform::model_url(url);
            if (name.isEmpty() || address.empty())
                continue;
            const fs::path file = places::shortcut_path(folder_, name.toStdString());
            if (places::write_internet_shortcut(file, address))
                taken.push_back(file);
        }
    }
    if (taken.empty())
        return false;
    for (const fs::path& path : taken)
        std::erase(order_, path);
    const auto at = before >= 0 && before < static_cast<int>(order_.size()) ? order_.begin() + before : order_.end();
    order_.insert(at, taken.begin(), taken.end());
    build_link_bar();
    return true;
}

void CLinkBar::move_link(int from, int to)
{
    const int count = static_cast<int>(order_.size());
    if (from < 0 || from >= count || to < 0 || to == from)
        return;
    const fs::path moved = order_[static_cast<std::size_t>(from)];
    order_.erase(order_.begin() + from);
    const int at = std::min(to > from ? to - 1 : to, static_cast<int>(order_.size()));
    order_.insert(order_.begin() + at, moved);
    build_link_bar();
}

// Dragging a button moves the link along the bar; dropped elsewhere it is the shortcut file.
bool CLinkBar::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button)
        return ui::BandBar::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        press_position_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        pressed_link_ = index_at(button->geometry().center());
    } else if (event->type() == QEvent::MouseMove && pressed_link_ >= 0 &&
               (static_cast<QMouseEvent*>(event)->position().toPoint() - press_position_).manhattanLength() >=
                   QApplication::startDragDistance()) {
        const int index = pressed_link_;
        pressed_link_ = -1;
        button->setDown(false);
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(order_[static_cast<std::size_t>(index)].string()))});
        data->setData(kLinkIndexFormat, QByteArray::number(index));
        auto* drag = new QDrag(button);
        drag->setMimeData(data);
        drag->setPixmap(button->grab());
        drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
        return true;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        pressed_link_ = -1;
    }
    return ui::BandBar::eventFilter(watched, event);
}

void CLinkBar::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CLinkBar::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CLinkBar::dropEvent(QDropEvent* event)
{
    if (event->mimeData()->hasFormat(kLinkIndexFormat) && event->source() &&
        event->source()->parent() == this) {
        const int from = event->mimeData()->data(kLinkIndexFormat).toInt();
        const int to = index_at(event->position().toPoint());
        move_link(from, to < 0 ? static_cast<int>(order_.size()) : to);
        event->acceptProposedAction();
        return;
    }
    if (add_dropped(event->mimeData(), index_at(event->position().toPoint())))
        event->acceptProposedAction();
}
