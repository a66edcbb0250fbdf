#pragma once

#include <QWidget>

#include "app/Downloads.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// One row of the downloads window: the file's name and address, its progress or outcome, and
// what can be done with it.
class DownloadRow : public QWidget {
    Q_OBJECT
public:
    DownloadRow(DownloadManager& manager, int index, QWidget* parent = nullptr);
    void refresh();

    QLabel* status() const { return status_; }
    QPushButton* cancel_button() const { return cancel_; }
    QPushButton* open_button() const { return open_; }
    QPushButton* folder_button() const { return folder_; }

private:
    DownloadManager& manager_;
    int index_;
    QLabel* name_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QPushButton* open_;
    QPushButton* folder_;
};

// The list of downloads, this run's and earlier ones, newest first.
class DownloadsWindow : public QWidget {
    Q_OBJECT
public:
    explicit DownloadsWindow(DownloadManager& manager, QWidget* parent = nullptr);
    // The one downloads window of `owner` (made on first use), shown and raised.
    static DownloadsWindow* show_for(DownloadManager& manager, QWidget* owner);

    // The row of a download, by its index in the manager's list.
    DownloadRow* row(int index) const;

private:
    void rebuild();
    void add_row(int index);

    DownloadManager& manager_;
    QListWidget* list_;
};
