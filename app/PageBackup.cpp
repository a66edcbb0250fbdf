#include "app/PageBackup.h"

#include <QCoreApplication>
#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <memory>
#include <set>

#include "app/BrowserPage.h"
#include "app/NetworkOptions.h"
#include "app/PageOutput.h"
#include "app/TabBrowserWnd.h"
#include "share/Downloader.h"

namespace page_backup {
namespace {

int g_saved = 0;

QUrl site_of(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
}

QString file_name_safe(QString segment)
{
    for (QChar& c : segment)
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return segment;
}

} // namespace

std::optional<std::filesystem::path> target_for(const std::filesystem::path& folder, const QUrl& page,
                                                const QUrl& resource)
{
    if (!resource.isValid() || site_of(resource) != site_of(page) || resource.host().isEmpty())
        return std::nullopt;
    // Split before decoding, so an encoded "/" stays inside its segment.
    const QStringList raw = resource.path(QUrl::FullyEncoded).split(QLatin1Char('/'));
    std::filesystem::path out = folder;
    QString last;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QString segment = QUrl::fromPercentEncoding(raw[i].toUtf8());
        if (segment == QStringLiteral(".") || segment == QStringLiteral(".."))
            return std::nullopt;
        if (segment.isEmpty() && i + 1 < raw.size())
            continue;
        const QString safe = file_name_safe(segment);
        if (i + 1 == raw.size())
            last = safe;
        else
            out /= std::filesystem::path(safe.toStdU16String());
    }
    if (last.isEmpty())
        last = QStringLiteral("index.html");
    out /= std::filesystem::path(last.toStdU16String());
    return out;
}

std::vector<QUrl> page_resources(CTabBrowserWnd& tab)
{
    bool done = false;
    QVariantList values;
    QPointer<BrowserPage> page = tab.page();
    page->runJavaScript(QStringLiteral(
                            "(function(){var r=[];"
                            "document.querySelectorAll('img[src],script[src]').forEach(function(e){r.push(e.getAttribute('src'));});"
                            "document.querySelectorAll('link[href]').forEach(function(e){"
                            "if((e.getAttribute('rel')||'').toLowerCase().split(/\\s+/).indexOf('stylesheet')>=0)"
                            "r.push(e.getAttribute('href'));});"
                            "document.querySelectorAll('object param[value]').forEach(function(e){r.push(e.getAttribute('value'));});"
                            "return r;})()"),
                        QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
                            values = v.toList();
                            done = true;
                        });
    page_output::wait_for([&] { return done || !page; }, 5000);
    std::vector<QUrl> out;
    std::set<QUrl> seen;
    const QUrl base = tab.LocationURL();
    for (const QVariant& v : values) {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            continue;
        const QUrl url = base.resolved(QUrl(text)).adjusted(QUrl::RemoveFragment);
        if (url.isValid() && seen.insert(url).second)
            out.push_back(url);
    }
    return out;
}

void run(CTabBrowserWnd& tab)
{
    g_saved = 0;
    const QString folder = folder_dialog
                               ? folder_dialog()
                               : QFileDialog::getExistingDirectory(&tab, QCoreApplication::translate("PageBackup", "保存するフォルダを選択してください"));
    if (folder.isEmpty())
        return;
    const std::filesystem::path root(folder.toStdU16String());
    const QUrl page = tab.LocationURL();
    const std::vector<QUrl> resources = page_resources(tab);
    QProgressDialog progress(QCoreApplication::translate("PageBackup", "ページを保存しています..."), QCoreApplication::translate("PageBackup", "キャンセル"), 0,
                             int(resources.size()), &tab);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    for (std::size_t i = 0; i < resources.size() && !progress.wasCanceled(); ++i) {
        progress.setValue(int(i));
        const auto target = target_for(root, page, resources[i]);
        if (!target)
            continue;
        std::error_code error;
        std::filesystem::create_directories(target->parent_path(), error);
        if (error)
            continue;
        share::Downloader downloader(resources[i].toString(QUrl::FullyEncoded).toStdString(), target->string());
        downloader.set_agent(tab.page()->profile()->httpUserAgent().toStdString());
        downloader.set_network(download_network());
        downloader.start();
        // One file at a time; the user may cancel a slow one.
        page_output::wait_for([&] { return !downloader.is_running() || progress.wasCanceled(); }, 120000);
        if (downloader.is_running())
            downloader.cancel_and_wait();
        if (downloader.exit_code() == 0)
            ++g_saved;
    }
    progress.setValue(int(resources.size()));
}

int last_saved_count()
{
    return g_saved;
}

} // namespace page_backup
