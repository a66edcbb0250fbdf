#include "app/SavePageAs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QWebEngineScript>
#include <QWebEngineDownloadRequest>

#include "app/BrowserPage.h"
#include "app/Downloads.h"
#include "app/MarvoApp.h"
#include "app/PageOutput.h"
#include "app/TabBrowserWnd.h"
#include "ui/MessageBox.h"

namespace save_page_as {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SavePageAs", text);
}

struct Choice {
    Format format;
    const char* filter;
    const char* extension;
};

// In the order the dialog lists them; the first is the default.
const Choice kChoices[] = {
    {Format::CompletePage, QT_TRANSLATE_NOOP("SavePageAs", "Web ページ、完全 (*.htm *.html)"), "htm"},
    {Format::SingleFile, QT_TRANSLATE_NOOP("SavePageAs", "Web アーカイブ、単一のファイル (*.mht *.mhtml)"), "mht"},
    {Format::HtmlOnly, QT_TRANSLATE_NOOP("SavePageAs", "Web ページ、HTML のみ (*.htm *.html)"), "htm"},
    {Format::Text, QT_TRANSLATE_NOOP("SavePageAs", "テキスト ファイル (*.txt)"), "txt"},
};

} // namespace

Format format_for(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mht") || suffix == QLatin1String("mhtml"))
        return Format::SingleFile;
    if (suffix == QLatin1String("txt"))
        return Format::Text;
    return Format::CompletePage;
}

void run(CTabBrowserWnd& tab)
{
    QStringList filters;
    for (const Choice& choice : kChoices)
        filters << tr(choice.filter);
    QString name = page_output::clean_title(tab.LocationName());
    if (name.isEmpty())
        name = QFileInfo(tab.LocationURL().path()).completeBaseName();
    if (name.isEmpty())
        name = tr("無題");
    const QString folder = theApp().downloads() ? theApp().downloads()->last_folder() : QDir::homePath();
    const QString proposed = QDir(folder).filePath(name + QStringLiteral(".htm"));

    QString path;
    Format format = Format::CompletePage;
    if (page_output::save_dialog) {
        path = page_output::save_dialog(proposed, filters.join(QStringLiteral(";;")));
        format = format_for(path);
    } else {
        QString selected = filters.front();
        path = QFileDialog::getSaveFileName(&tab, QString(), proposed, filters.join(QStringLiteral(";;")), &selected);
        const int index = std::max<int>(0, filters.indexOf(selected));
        format = kChoices[index].format;
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + QLatin1String(kChoices[index].extension);
    }
    if (path.isEmpty())
        return;
    save(tab, path, format);
}

void save(CTabBrowserWnd& tab, const QString& path, Format format)
{
    switch (format) {
    case Format::CompletePage:
        tab.page()->save(path, QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
        return;
    case Format::SingleFile:
        tab.page()->save(path, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
        return;
    case Format::HtmlOnly:
        tab.page()->save(path, QWebEngineDownloadRequest::SingleHtmlSaveFormat);
        return;
    case Format::Text:
        break;
    }
    // The text as the page lays it out; it arrives later, and the file is written when it does.
    QPointer<CTabBrowserWnd> owner(&tab);
    const QString script = QStringLiteral("document.body ? document.body.innerText : ''");
    tab.page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [owner, path](const QVariant& result) {
        const QString text = result.toString();
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit())
            return;
        if (owner)
            ui::message_box(owner, tr("ファイルを保存できませんでした。\n%1").arg(path));
    });
}

} // namespace save_page_as
