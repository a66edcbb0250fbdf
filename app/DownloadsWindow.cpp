#include "app/DownloadsWindow.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

DownloadRow::DownloadRow(DownloadManager& manager, int index, QWidget* parent)
    : QWidget(parent), manager_(manager), index_(index)
{
    const Download& download = manager_.downloads()[index_];
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QFileIconProvider().icon(QFileInfo(download.path)).pixmap(32, 32));
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    name_ = new QLabel(QFileInfo(download.path).fileName(), this);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    name_->setToolTip(download.path + QLatin1Char('\n') + download.url.toDisplayString());
    layout->addWidget(name_, 0, 1);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(10);
    layout->addWidget(progress_, 1, 1);
    status_ = new QLabel(this);
    layout->addWidget(status_, 2, 1);

    auto* buttons = new QHBoxLayout;
    cancel_ = new QPushButton(tr("キャンセル"), this);
    open_ = new QPushButton(tr("開く"), this);
    folder_ = new QPushButton(tr("フォルダに表示"), this);
    for (QPushButton* button : {cancel_, open_, folder_})
        buttons->addWidget(button);
    layout->addLayout(buttons, 0, 2, 3, 1, Qt::AlignVCenter);
    layout->setColumnStretch(1, 1);
    connect(cancel_, &QPushButton::clicked, this, [this] { manager_.cancel(index_); });
    connect(open_, &QPushButton::clicked, this, [this] { manager_.open(index_); });
    connect(folder_, &QPushButton::clicked, this, [this] { manager_.show_in_folder(index_); });
    refresh();
}

void DownloadRow::refresh()
{
    const Download& download = manager_.downloads()[index_];
    const bool running = download.state == Download::State::InProgress;
    const bool done = download.state == Download::State::Completed;
    status_->setText(DownloadManager::status_text(download));
    progress_->setVisible(running);
    if (download.total > 0) {
        progress_->setRange(0, 1000);
        progress_->setValue(int(download.received * 1000 / download.total));
    } else {
        progress_->setRange(0, 0);  // busy: the size is not known
    }
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, download.state == Download::State::Failed ? QColor(0xc0, 0, 0)
                                                                                       : palette.color(QPalette::WindowText));
    status_->setPalette(palette);
    cancel_->setVisible(running);
    open_->setVisible(done);
    folder_->setVisible(done);
}

DownloadsWindow::DownloadsWindow(DownloadManager& manager, QWidget* parent)
    : QWidget(parent, Qt::Window), manager_(manager)
{
    setObjectName(QStringLiteral("DownloadsWindow"));
    setWindowTitle(tr("ダウンロード"));
    resize(560, 360);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(list_);
    auto* clear = new QPushButton(tr("一覧のクリア"), this);
    clear->setObjectName(QStringLiteral("ClearDownloads"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(clear);
    layout->addLayout(bottom);

    connect(clear, &QPushButton::clicked, &manager_, &DownloadManager::clear_finished);
    connect(&manager_, &DownloadManager::added, this, &DownloadsWindow::add_row);
    connect(&manager_, &DownloadManager::listChanged, this, &DownloadsWindow::rebuild);
    connect(&manager_, &DownloadManager::changed, this, [this](int index) {
        if (DownloadRow* shown = row(index))
            shown->refresh();
    });
    rebuild();
}

DownloadsWindow* DownloadsWindow::show_for(DownloadManager& manager, QWidget* owner)
{
    auto* window = owner ? owner->findChild<DownloadsWindow*>() : nullptr;
    if (!window)
        window = new DownloadsWindow(manager, owner);
    window->show();
    window->raise();
    return window;
}

DownloadRow* DownloadsWindow::row(int index) const
{
    // Newest first: the manager's last download is the list's first row.
    const int at = int(manager_.downloads().size()) - 1 - index;
    if (at < 0 || at >= list_->count())
        return nullptr;
    return static_cast<DownloadRow*>(list_->itemWidget(list_->item(at)));
}

void DownloadsWindow::rebuild()
{
    list_->clear();
    for (int i = 0; i < int(manager_.downloads().size()); ++i)
        add_row(i);
}

void DownloadsWindow::add_row(int index)
{
    auto* item = new QListWidgetItem;
    auto* shown = new DownloadRow(manager_, index, list_);
    item->setSizeHint(shown->sizeHint());
    list_->insertItem(0, item);
    list_->setItemWidget(item, shown);
}
