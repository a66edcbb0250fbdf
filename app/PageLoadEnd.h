#pragma once

#include <QObject>
#include <QTimer>
#include <QUrl>

class QWebEnginePage;

// When a page starts and ends loading. The engine reports the start and the end of a load, but
// a navigation begun while the document before it was still loading (a second click right after
// the first page committed, a script sending the page on as it loads) gets neither: the end
// reported is the earlier document's, and the new document commits unannounced. Such a document
// is asked whether it has loaded, and watched until it has.
class PageLoadEnd : public QObject {
    Q_OBJECT

public:
    explicit PageLoadEnd(QWebEnginePage& page);

signals:
    void started();
    void ended(bool ok);

private:
    void commit(const QUrl& url);
    void ask();

    QWebEnginePage& page_;
    bool loading_ = false;
    QUrl ended_at_;  // the document whose end was last told, without its fragment
    int asks_ = 0;   // an answer for an earlier navigation is dropped
    QTimer again_;
};
