#pragma once

#include <QString>
#include <QUrl>
#include <QWebEngineCertificateError>

// The page a tab shows when the engine refused a site's certificate: why, a button back to
// the page before (or a blank page) and, when the engine lets the user go on regardless, a
// "proceed anyway" button, a link to the refused address itself that the tab recognises.
namespace certificate_page {

QString reason(QWebEngineCertificateError::Type type);
QString html(const QWebEngineCertificateError& error, const QUrl& back);

} // namespace certificate_page
