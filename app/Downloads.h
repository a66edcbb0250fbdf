#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <vector>

class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QWidget;

// One download, of this run or an earlier one.
struct Download {
    enum class State { InProgress, Completed, Cancelled, Failed };

    QUrl url;
    QString path;  // the final file
    State state = State::InProgress;
    qint64 received = 0;
    qint64 total = -1;  // -1 while the server has not said
    QString error;      // why it failed, for people
    QDateTime finished;

    // Progress since the download began, sampled over the last seconds for the speed.
    QPointer<QWebEngineDownloadRequest> request;
    quint32 engine_id = 0;
    std::deque<std::pair<qint64, qint64>> samples;  // (elapsed ms, bytes)
    QElapsedTimer clock;

    // Bytes a second over the last samples, 0 before there are two.
    double speed() const;
};

// Takes every download the engine is asked for: asks where to save it (the desktop's download
// folder the first time, then the last folder used), follows its progress, cancels, opens
// and shows it, and keeps the list of downloads in a file of the data folder across runs.
// The engine writes into "<name>.part" beside the final name, renamed to the final name once
// complete and removed otherwise, so a cancelled or broken download never leaves a file under
// its name.
class DownloadManager : public QObject {
    Q_OBJECT
public:
    DownloadManager(QWebEngineProfile* profile, QString list_file, QObject* parent = nullptr);
    ~DownloadManager() override;

    const std::vector<Download>& downloads() const { return downloads_; }
    // The folder the save dialog starts in.
    QString last_folder() const;

    void cancel(int index);
    void open(int index) const;
    void show_in_folder(int index) const;
    // Drops the downloads that are no longer running from the list.
    void clear_finished();

    // "3.2 MB / 20.0 MB、1.5 MB/秒、残り 11 秒", "完了 — 20.0 MB", the error, ...
    static QString status_text(const Download& download);
    static QString size_text(qint64 bytes);

    // Test hooks: the save dialog gets the proposed path and returns the chosen one ("" to
    // cancel); the desktop opener gets the file or folder to open.
    static inline std::function<QString(const QString& proposed)> choose_path;
    static inline std::function<void(const QUrl&)> open_external;

signals:
    void added(int index);
    void changed(int index);
    void listChanged();

private:
    void on_requested(QWebEngineDownloadRequest* request);
    QString ask_path(const QString& proposed) const;
    void follow(int index);
    void update_from_request(int index);
    int index_of(const QWebEngineDownloadRequest* request) const;
    void load();
    void save() const;

    QString list_file_;
    QString last_folder_;
    std::vector<Download> downloads_;
};
