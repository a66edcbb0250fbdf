#include "app/CrashPage.h"

#include <QCoreApplication>

#include "app/StandInPage.h"

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
    return stand_in_page::html(tr("このページを表示できません"), reason(status, exit_code), url,
                               {{QStringLiteral("reload"), url, tr("再読み込み")}});
}

} // namespace crash_page
