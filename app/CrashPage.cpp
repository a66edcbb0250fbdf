#include "app/CrashPage.h"

#include <QCoreApplication>

namespace crash_page {
namespace {

// The context is the namespace's name: the one lupdate files these texts under.
QString tr(const char* text)
{
    return QCoreApplication::translate("crash_page", text);
}

} // namespace

QString reason(QWebEnginePage::RenderProcessTerminationStatus status, int exit_code)
{
    switch (status) {
    case QWebEnginePage::NormalTerminationStatus:
        return tr("ページを表示するプロセスが終了しました。");
    case QWebEnginePage::AbnormalTerminationStatus:
        return tr("ページを表示するプロセスが異常終了しました (終了コード %1)。").arg(exit_code);
    case QWebEnginePage::CrashedTerminationStatus:
        return tr("ページを表示するプロセスがクラッシュしました。");
    case QWebEnginePage::KilledTerminationStatus:
        return tr("ページを表示するプロセスが強制終了されました。");
    }
    return tr("ページを表示するプロセスが終了しました。");
}

QString html(QWebEnginePage::RenderProcessTerminationStatus status, int exit_code, const QUrl& url)
{
    const QString target = url.toString(QUrl::FullyEncoded).toHtmlEscaped();
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset='utf-8'><title>%1</title><style>"
               "body{font-family:sans-serif;background:#f4f4f4;color:#222;margin:0}"
               "main{max-width:560px;margin:80px auto;padding:24px 32px;background:#fff;border:1px solid #ccc}"
               "h1{font-size:20px}p.url{color:#666;word-break:break-all;font-size:13px}"
               "a.button{display:inline-block;padding:6px 20px;background:#2a6ebb;color:#fff;"
               "text-decoration:none;border-radius:3px}</style></head><body><main>"
               "<h1>%1</h1><p id='reason'>%2</p><p class='url'>%3</p>"
               "<p><a class='button' id='reload' href='%3'>%4</a></p></main></body></html>")
        .arg(tr("このページを表示できません").toHtmlEscaped(), reason(status, exit_code).toHtmlEscaped(), target,
             tr("再読み込み").toHtmlEscaped());
}

} // namespace crash_page
