// Downloads through the program's download manager, and Save As in each format.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QWebEngineView>

#include "AppFixture.h"
#include "FileServer.h"
#include "app/Downloads.h"
#include "app/DownloadsWindow.h"
#include "app/MainFrame.h"
#include "app/PageOutput.h"
#include "app/TabBrowserWnd.h"
#include "res/CommandIds.h"

namespace {

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 4096) & 0xff);
    return bytes;
}

QByteArray read_all(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DownloadsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        folder_ = QString::fromStdString((data_.path() / "saved").string());
        QDir().mkpath(folder_);
        DownloadManager::choose_path = [this](const QString& proposed) {
            proposals_ << proposed;
            return QDir(folder_).filePath(QFileInfo(proposed).fileName());
        };
        DownloadManager::open_external = [this](const QUrl& url) { opened_ << url; };
    }
    void TearDown() override
    {
        AppTest::TearDown();
        DownloadManager::choose_path = nullptr;
        DownloadManager::open_external = nullptr;
        page_output::save_dialog = nullptr;
    }

    static DownloadManager& manager() { return *app().downloads(); }
    static const Download& last() { return manager().downloads().back(); }
    static DownloadsWindow* window() { return app().main_frame()->findChild<DownloadsWindow*>(); }

    // Starts a download of `path` in the active tab and waits until the manager has it.
    void download(const QString& path)
    {
        const std::size_t before = manager().downloads().size();
        app().ActiveBrowser()->Navigate(files_.url(path));
        ASSERT_TRUE(wait_until([&] { return manager().downloads().size() > before; }, 30000));
    }
    static bool finished() { return last().state != Download::State::InProgress; }

    FileServer files_;
    QString folder_;
    QStringList proposals_;
    QList<QUrl> opened_;
};

TEST_F(DownloadsTest, LargeFileShowsProgressLandsWholeAndIsListedNextRun)
{
    const QByteArray body = pattern(20 * 1024 * 1024);
    files_.set(QStringLiteral("/big.bin"), body);
    files_.set(QStringLiteral("/small.txt"), QByteArray("hello"));
    pages_.set(QStringLiteral("/"), QStringLiteral("<title>start</title>"));
    ASSERT_TRUE(start({pages_.url(QStringLiteral("/")).toString()}));
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser() && app().ActiveBrowser()->LocationName() == "start"; }));

    download(QStringLiteral("/big.bin"));
    // The first save dialog starts in the desktop's download folder.
    ASSERT_EQ(proposals_.size(), 1);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    EXPECT_EQ(QFileInfo(proposals_[0]).fileName(), "big.bin");
    if (QFileInfo(desktop).isDir()) {
        EXPECT_EQ(QFileInfo(proposals_[0]).absolutePath(), QFileInfo(desktop).absoluteFilePath());
    }

    // On the way: part of the bytes, speed and time left, and the final name not yet there.
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    const QString target = QDir(folder_).filePath("big.bin");
    QString progress_text;
    bool partial_seen = false;
    ASSERT_TRUE(wait_until([&] {
        if (finished())
            return true;
        const Download& d = last();
        if (d.received > 0 && d.received < d.total && d.speed() > 0) {
            partial_seen = true;
            if (DownloadRow* row = window()->row(int(manager().downloads().size()) - 1))
                progress_text = row->status()->text();
            EXPECT_FALSE(QFile::exists(target));
        }
        return false;
    }, 60000));
    EXPECT_TRUE(partial_seen);
    EXPECT_TRUE(progress_text.contains("/秒")) << progress_text.toStdString();
    EXPECT_TRUE(progress_text.contains("残り")) << progress_text.toStdString();
    EXPECT_TRUE(progress_text.contains("20.0 MB")) << progress_text.toStdString();

    ASSERT_EQ(last().state, Download::State::Completed) << last().error.toStdString();
    EXPECT_EQ(read_all(target), body);
    EXPECT_FALSE(QFile::exists(target + ".part"));
    DownloadRow* row = window()->row(0);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->status()->text().startsWith("完了")) << row->status()->text().toStdString();
    row->open_button()->click();
    row->folder_button()->click();
    ASSERT_EQ(opened_.size(), 2);
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(target));
    EXPECT_EQ(opened_[1], QUrl::fromLocalFile(folder_));

    // The next dialog starts where the last file went.
    download(QStringLiteral("/small.txt"));
    EXPECT_EQ(QFileInfo(proposals_.back()).absolutePath(), folder_);
    ASSERT_TRUE(wait_until(finished));

    // The next run lists both, and remembers the folder.
    app().main_frame()->close();
    delete app().main_frame();
    app().ExitInstance();
    ASSERT_TRUE(start({pages_.url(QStringLiteral("/")).toString()}));
    ASSERT_EQ(manager().downloads().size(), 2u);
    EXPECT_EQ(manager().downloads()[0].path, target);
    EXPECT_EQ(manager().downloads()[0].state, Download::State::Completed);
    EXPECT_EQ(manager().last_folder(), folder_);
    app().main_frame()->action(res::cmd::kDownloads)->trigger();
    ASSERT_NE(window(), nullptr);
    ASSERT_NE(window()->row(1), nullptr);
    EXPECT_TRUE(window()->row(1)->status()->text().startsWith("完了"));
    window()->findChild<QPushButton*>("ClearDownloads")->click();
    EXPECT_TRUE(manager().downloads().empty());
}

TEST_F(DownloadsTest, CancelledOrBrokenDownloadsLeaveNothingUnderTheirName)
{
    files_.set(QStringLiteral("/stall.bin"), pattern(8 * 1024 * 1024), FileServer::Ending::Stall);
    files_.set(QStringLiteral("/broken.bin"), pattern(8 * 1024 * 1024), FileServer::Ending::Drop);
    pages_.set(QStringLiteral("/"), QStringLiteral("<title>start</title>"));
    ASSERT_TRUE(start({pages_.url(QStringLiteral("/")).toString()}));
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser() && app().ActiveBrowser()->LocationName() == "start"; }));

    // Cancelled from its row while the server holds the rest back.
    download(QStringLiteral("/stall.bin"));
    ASSERT_TRUE(wait_until([] { return last().received > 0; }, 30000));
    const int stalled = int(manager().downloads().size()) - 1;
    DownloadRow* row = window()->row(stalled);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->cancel_button()->isVisibleTo(window()));
    row->cancel_button()->click();
    ASSERT_TRUE(wait_until(finished));
    files_.release();
    EXPECT_EQ(last().state, Download::State::Cancelled);
    EXPECT_EQ(row->status()->text(), "キャンセルしました");
    EXPECT_FALSE(QFile::exists(QDir(folder_).filePath("stall.bin")));
    EXPECT_FALSE(QFile::exists(QDir(folder_).filePath("stall.bin.part")));

    // The server goes away half way: a clear error, and the file that was there stays as it was.
    const QString older = QDir(folder_).filePath("broken.bin");
    {
        QFile file(older);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier file");
    }
    download(QStringLiteral("/broken.bin"));
    ASSERT_TRUE(wait_until(finished, 60000));
    EXPECT_EQ(last().state, Download::State::Failed);
    EXPECT_EQ(last().error, "サーバーとの接続が途中で切れました");
    EXPECT_EQ(window()->row(stalled + 1)->status()->text(), "失敗: サーバーとの接続が途中で切れました");
    EXPECT_EQ(read_all(older), "earlier file");
    EXPECT_FALSE(QFile::exists(older + ".part"));
}

TEST_F(DownloadsTest, SaveAsWritesCompletePageSingleFileAndText)
{
    pages_.set(QStringLiteral("/"), QStringLiteral("<title>saved page</title><body><p>Saved words 保存</p>"
                                                   "<img src='/dot.png'></body>"));
    pages_.set_bytes(QStringLiteral("/dot.png"), QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=="));
    ASSERT_TRUE(start({pages_.url(QStringLiteral("/")).toString()}));
    ASSERT_TRUE(wait_until([] { return app().ActiveBrowser() && app().ActiveBrowser()->LocationName() == "saved page"; }));

    QString filter;
    QString answer;
    page_output::save_dialog = [&](const QString& proposed, const QString& filters) {
        filter = filters;
        EXPECT_EQ(QFileInfo(proposed).fileName(), "saved page.htm");
        return answer;
    };
    // Saves in the format of the name's extension and waits until the file is there.
    const auto save_as = [&](const QString& name) {
        answer = QDir(folder_).filePath(name);
        const std::size_t before = manager().downloads().size();
        app().main_frame()->action(res::cmd::kSaveAs)->trigger();
        const bool engine_format = !name.endsWith(".txt");
        EXPECT_TRUE(wait_until([&] {
            if (engine_format)
                return manager().downloads().size() > before && finished();
            return QFile::exists(answer);
        }, 30000)) << name.toStdString();
        if (engine_format) {
            EXPECT_EQ(last().state, Download::State::Completed) << name.toStdString();
        }
        return read_all(answer);
    };

    EXPECT_EQ(save_as("page.txt").trimmed(), QStringLiteral("Saved words 保存").toUtf8());
    EXPECT_TRUE(save_as("page.htm").contains("Saved words"));
    EXPECT_TRUE(filter.contains("*.mht")) << filter.toStdString();
    EXPECT_TRUE(filter.contains("*.txt"));
    EXPECT_FALSE(QDir(folder_).entryList({"page_files"}, QDir::Dirs).isEmpty());

    const QByteArray single = save_as("page.mht");
    EXPECT_TRUE(single.contains("MIME-Version")) << single.left(800).toStdString();
    EXPECT_TRUE(single.contains("<title>saved page</title>")) << single.toStdString();

}

} // namespace
