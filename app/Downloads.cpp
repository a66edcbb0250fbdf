#include "app/Downloads.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <filesystem>

namespace {

// Speed is measured over this much of the recent past.
constexpr qint64 kSpeedWindowMs = 3000;
constexpr char kPartSuffix[] = ".part";

const char* state_name(Download::State state)
{
    switch (state) {
    case Download::State::InProgress:
        return "inprogress";
    case Download::State::Completed:
        return "completed";
    case Download::State::Cancelled:
        return "cancelled";
    case Download::State::Failed:
        return "failed";
    }
    return "failed";
}

Download::State state_from(const QString& name)
{
    if (name == QLatin1String("completed"))
        return Download::State::Completed;
    if (name == QLatin1String("cancelled"))
        return Download::State::Cancelled;
    return Download::State::Failed;
}

// What went wrong, in words a person can act on.
QString failure_text(const QWebEngineDownloadRequest& request)
{
    using R = QWebEngineDownloadRequest;
    constexpr int kContentLengthMismatch = 38;  // the server sent less than it announced
    if (int(request.interruptReason()) == kContentLengthMismatch)
        return QCoreApplication::translate("DownloadManager", "サーバーとの接続が途中で切れました");
    switch (request.interruptReason()) {
    case R::FileNoSpace:
        return QCoreApplication::translate("DownloadManager", "ディスクの空き領域が足りません");
    case R::FileAccessDenied:
        return QCoreApplication::translate("DownloadManager", "保存先に書き込めません");
    case R::FileNameTooLong:
        return QCoreApplication::translate("DownloadManager", "ファイル名が長すぎます");
    case R::FileTooLarge:
        return QCoreApplication::translate("DownloadManager", "ファイルが大きすぎて保存できません");
    case R::FileFailed:
    case R::FileTransientError:
        return QCoreApplication::translate("DownloadManager", "ファイルを書き込めませんでした");
    case R::NetworkFailed:
    case R::NetworkDisconnected:
    case R::NetworkTimeout:
    case R::ServerFailed:
    case R::FileTooShort:
        return QCoreApplication::translate("DownloadManager", "サーバーとの接続が途中で切れました");
    case R::NetworkServerDown:
    case R::ServerUnreachable:
        return QCoreApplication::translate("DownloadManager", "サーバーに接続できません");
    case R::ServerForbidden:
    case R::ServerUnauthorized:
        return QCoreApplication::translate("DownloadManager", "サーバーがダウンロードを拒否しました");
    case R::ServerBadContent:
        return QCoreApplication::translate("DownloadManager", "サーバーにファイルがありません");
    default:
        return request.interruptReasonString().isEmpty() ? QCoreApplication::translate("DownloadManager", "ダウンロードできませんでした")
                                                         : request.interruptReasonString();
    }
}

QString part_path(const QString& path)
{
    return path + QLatin1String(kPartSuffix);
}

// Replaces the final file (the user agreed to it in the save dialog) in one step.
bool move_into_place(const QString& from, const QString& to)
{
    std::error_code error;
    std::filesystem::rename(from.toStdString(), to.toStdString(), error);
    return !error;
}

} // namespace

double Download::speed() const
{
    if (samples.size() < 2)
        return 0;
    const auto& [first_ms, first_bytes] = samples.front();
    const auto& [last_ms, last_bytes] = samples.back();
    if (last_ms <= first_ms)
        return 0;
    return double(last_bytes - first_bytes) * 1000.0 / double(last_ms - first_ms);
}

DownloadManager::DownloadManager(QWebEngineProfile* profile, QString list_file, QObject* parent)
    : QObject(parent), list_file_(std::move(list_file))
{
    load();
    connect(profile, &QWebEngineProfile::downloadRequested, this, &DownloadManager::on_requested);
}

DownloadManager::~DownloadManager()
{
    // Downloads still running end with the program; the list says so next time.
    for (Download& download : downloads_)
        if (download.state == Download::State::InProgress) {
            download.state = Download::State::Failed;
            download.error = tr("Marvo の終了で中断されました");
            if (download.request)
                download.request->disconnect(this);
            QFile::remove(part_path(download.path));
        }
    save();
}

QString DownloadManager::last_folder() const
{
    if (!last_folder_.isEmpty() && QFileInfo(last_folder_).isDir())
        return last_folder_;
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return desktop.isEmpty() ? QDir::homePath() : desktop;
}

QString DownloadManager::ask_path(const QString& proposed) const
{
    if (choose_path)
        return choose_path(proposed);
    return QFileDialog::getSaveFileName(nullptr, tr("名前を付けて保存"), proposed);
}

void DownloadManager::on_requested(QWebEngineDownloadRequest* request)
{
    // The engine resumes a broken transfer by itself, asking again for the same download.
    for (std::size_t i = 0; i < downloads_.size(); ++i) {
        Download& resumed = downloads_[i];
        if (resumed.state != Download::State::InProgress || resumed.engine_id != request->id())
            continue;
        if (resumed.request)
            resumed.request->disconnect(this);
        resumed.request = request;
        request->setDownloadDirectory(QFileInfo(resumed.path).absolutePath());
        request->setDownloadFileName(QFileInfo(resumed.path).fileName() + QLatin1String(kPartSuffix));
        follow(int(i));
        request->accept();
        return;
    }
    QString path;
    if (request->isSavePageDownload()) {
        // Save As chose the place already.
        path = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
    } else {
        path = ask_path(QDir(last_folder()).filePath(request->suggestedFileName()));
        if (path.isEmpty()) {
            request->cancel();
            return;
        }
        last_folder_ = QFileInfo(path).absolutePath();
        request->setDownloadDirectory(last_folder_);
        request->setDownloadFileName(QFileInfo(path).fileName() + QLatin1String(kPartSuffix));
    }
    Download download;
    download.url = request->url();
    download.path = QFileInfo(path).absoluteFilePath();
    download.request = request;
    download.engine_id = request->id();
    download.clock.start();
    downloads_.push_back(std::move(download));
    const int index = int(downloads_.size()) - 1;
    follow(index);
    if (request->state() == QWebEngineDownloadRequest::DownloadRequested)
        request->accept();
    save();
    emit added(index);
}

void DownloadManager::follow(int index)
{
    QWebEngineDownloadRequest* request = downloads_[index].request;
    const auto update = [this, request] {
        const int at = index_of(request);
        if (at >= 0)
            update_from_request(at);
    };
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, update);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, update);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, update);
}

int DownloadManager::index_of(const QWebEngineDownloadRequest* request) const
{
    for (std::size_t i = 0; i < downloads_.size(); ++i)
        if (downloads_[i].request == request)
            return int(i);
    return -1;
}

void DownloadManager::update_from_request(int index)
{
    Download& download = downloads_[index];
    QWebEngineDownloadRequest& request = *download.request;
    download.received = request.receivedBytes();
    download.total = request.totalBytes();
    download.samples.emplace_back(download.clock.elapsed(), download.received);
    while (download.samples.size() > 2 && download.samples.back().first - download.samples.front().first > kSpeedWindowMs)
        download.samples.pop_front();

    const bool save_page = request.isSavePageDownload();
    switch (request.state()) {
    case QWebEngineDownloadRequest::DownloadRequested:
    case QWebEngineDownloadRequest::DownloadInProgress:
        emit changed(index);
        return;
    case QWebEngineDownloadRequest::DownloadCompleted:
        if (save_page || move_into_place(part_path(download.path), download.path)) {
            download.state = Download::State::Completed;
        } else {
            download.state = Download::State::Failed;
            download.error = tr("ファイルを書き込めませんでした");
        }
        break;
    case QWebEngineDownloadRequest::DownloadCancelled:
        download.state = Download::State::Cancelled;
        break;
    case QWebEngineDownloadRequest::DownloadInterrupted:
        download.state = Download::State::Failed;
        download.error = failure_text(request);
        break;
    }
    request.disconnect(this);
    download.request = nullptr;
    // An interrupted download is not resumed: what arrived is thrown away.
    if (download.state == Download::State::Failed)
        request.cancel();
    if (download.state != Download::State::Completed && !save_page)
        QFile::remove(part_path(download.path));
    download.finished = QDateTime::currentDateTime();
    download.samples.clear();
    save();
    emit changed(index);
}

void DownloadManager::cancel(int index)
{
    if (index < 0 || index >= int(downloads_.size()))
        return;
    if (QWebEngineDownloadRequest* request = downloads_[index].request)
        request->cancel();
}

void DownloadManager::open(int index) const
{
    if (index < 0 || index >= int(downloads_.size()))
        return;
    const QUrl file = QUrl::fromLocalFile(downloads_[index].path);
    open_external ? open_external(file) : void(QDesktopServices::openUrl(file));
}

void DownloadManager::show_in_folder(int index) const
{
    if (index < 0 || index >= int(downloads_.size()))
        return;
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(downloads_[index].path).absolutePath());
    open_external ? open_external(folder) : void(QDesktopServices::openUrl(folder));
}

void DownloadManager::clear_finished()
{
    std::erase_if(downloads_, [](const Download& d) { return d.state != Download::State::InProgress; });
    save();
    emit listChanged();
}

QString DownloadManager::size_text(qint64 bytes)
{
    if (bytes < 1024)
        return tr("%1 バイト").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    if (bytes < 1024LL * 1024 * 1024)
        return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(double(bytes) / (1024.0 * 1024 * 1024), 0, 'f', 2);
}

QString DownloadManager::status_text(const Download& download)
{
    switch (download.state) {
    case Download::State::Completed:
        return tr("完了 — %1").arg(size_text(download.received));
    case Download::State::Cancelled:
        return tr("キャンセルしました");
    case Download::State::Failed:
        return tr("失敗: %1").arg(download.error);
    case Download::State::InProgress:
        break;
    }
    QString text = download.total > 0 ? tr("%1 / %2").arg(size_text(download.received), size_text(download.total))
                                      : size_text(download.received);
    const double speed = download.speed();
    if (speed > 0) {
        text += tr("、%1/秒").arg(size_text(qint64(speed)));
        if (download.total > 0) {
            const qint64 seconds = qint64((download.total - download.received) / speed + 0.5);
            text += seconds >= 60 ? tr("、残り %1 分 %2 秒").arg(seconds / 60).arg(seconds % 60)
                                  : tr("、残り %1 秒").arg(seconds);
        }
    }
    return text;
}

void DownloadManager::load()
{
    QFile file(list_file_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    last_folder_ = root.value(QStringLiteral("lastFolder")).toString();
    for (const QJsonValue& value : root.value(QStringLiteral("downloads")).toArray()) {
        const QJsonObject item = value.toObject();
        Download download;
        download.url = QUrl(item.value(QStringLiteral("url")).toString());
        download.path = item.value(QStringLiteral("path")).toString();
        download.state = state_from(item.value(QStringLiteral("state")).toString());
        download.received = qint64(item.value(QStringLiteral("received")).toDouble());
        download.total = qint64(item.value(QStringLiteral("total")).toDouble(-1));
        download.error = item.value(QStringLiteral("error")).toString();
        download.finished = QDateTime::fromString(item.value(QStringLiteral("finished")).toString(), Qt::ISODate);
        if (download.path.isEmpty())
            continue;
        if (download.state == Download::State::Failed && download.error.isEmpty())
            download.error = tr("Marvo の終了で中断されました");
        downloads_.push_back(std::move(download));
    }
}

// Written beside and renamed, like every file of the data folder.
void DownloadManager::save() const
{
    QJsonArray items;
    for (const Download& download : downloads_) {
        items.append(QJsonObject{
            {QStringLiteral("url"), download.url.toString(QUrl::FullyEncoded)},
            {QStringLiteral("path"), download.path},
            {QStringLiteral("state"), QLatin1String(state_name(download.state))},
            {QStringLiteral("received"), double(download.received)},
            {QStringLiteral("total"), double(download.total)},
            {QStringLiteral("error"), download.error},
            {QStringLiteral("finished"), download.finished.toString(Qt::ISODate)},
        });
    }
    const QJsonObject root{{QStringLiteral("lastFolder"), last_folder_}, {QStringLiteral("downloads"), items}};
    QSaveFile file(list_file_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(root).toJson());
        file.commit();
    }
}
