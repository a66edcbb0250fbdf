#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// The frame of the pages a tab shows in place of one it cannot show (a dead render process,
// a certificate refused): a title, the reason, the address and buttons that are plain links,
// so they work with scripts switched off.
namespace stand_in_page {

struct Button {
    QString id;
    QUrl target;
    QString text;
};

QString html(const QString& title, const QString& reason, const QUrl& url, const QList<Button>& buttons);

} // namespace stand_in_page
