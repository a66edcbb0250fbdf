#include "app/CertificatePage.h"

#include <QCoreApplication>

#include "app/StandInPage.h"

namespace certificate_page {
namespace {

// The context is the namespace's name: the one lupdate files these texts under.
QString tr(const char* text)
{
    return QCoreApplication::translate("certificate_page", text);
}

} // namespace

QString reason(QWebEngineCertificateError::Type type)
{
    switch (type) {
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
        return tr("証明書の名前がサイトのアドレスと一致しません。");
    case QWebEngineCertificateError::CertificateDateInvalid:
        return tr("証明書の有効期限が切れているか、まだ有効になっていません。");
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
        return tr("証明書を発行した機関が信頼されていません。");
    case QWebEngineCertificateError::CertificateRevoked:
        return tr("証明書は失効しています。");
    case QWebEngineCertificateError::CertificateWeakSignatureAlgorithm:
    case QWebEngineCertificateError::CertificateWeakKey:
    case QWebEngineCertificateError::SslObsoleteVersion:
        return tr("このサイトの暗号化は弱すぎます。");
    default:
        return tr("このサイトの証明書に問題があります。");
    }
}

QString html(const QWebEngineCertificateError& error, const QUrl& back)
{
    QList<stand_in_page::Button> buttons{
        {QStringLiteral("back"), back.isEmpty() ? QUrl(QStringLiteral("about:blank")) : back, tr("戻る")}};
    if (error.isOverridable())
        buttons.append({QStringLiteral("proceed"), error.url(), tr("危険を承知で続行する")});
    return stand_in_page::html(tr("安全な接続を確立できません"),
                               reason(error.type()) + QLatin1Char(' ') + error.description(), error.url(), buttons);
}

} // namespace certificate_page
