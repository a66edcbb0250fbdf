#include "app/PageLoadEnd.h"

#include <QPointer>
#include <QVariant>
#include <QWebEnginePage>
#include <utility>

#include "app/PageQuestion.h"

namespace {

QUrl document_of(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment);
}

} // namespace

PageLoadEnd::PageLoadEnd(QWebEnginePage& page) : QObject(&page), page_(page)
{
    again_.setSingleShot(true);
    again_.setInterval(200);
    connect(&again_, &QTimer::timeout, this, &PageLoadEnd::ask);
    connect(&page, &QWebEnginePage::loadStarted, this, [this] {
        ++asks_;
        again_.stop();
        loading_ = true;
        emit started();
    });
    connect(&page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        ++asks_;
        again_.stop();
        loading_ = false;
        ended_at_ = document_of(page_.url());
        emit ended(ok);
    });
    connect(&page, &QWebEnginePage::urlChanged, this, &PageLoadEnd::commit);
}

// A new address while no load is under way: another document the engine did not announce,
// or the same one moved by its own script (history.pushState), which has loaded already.
void PageLoadEnd::commit(const QUrl& url)
{
    if (loading_ || url.isEmpty() || document_of(url) == ended_at_)
        return;
    ++asks_;
    ask();
}

void PageLoadEnd::ask()
{
    QPointer<PageLoadEnd> self(this);
    const int asked = asks_;
    ask_page(page_, QStringLiteral("document.readyState"), [self, asked](const QVariant& state) {
        if (!self || asked != self->asks_)
            return;
        if (!state.isValid())
            return;  // the document is going: its successor's load is reported
        if (state.toString() == QLatin1String("complete")) {
            self->loading_ = false;
            self->ended_at_ = document_of(self->page_.url());
            emit self->ended(true);
            return;
        }
        if (!std::exchange(self->loading_, true))
            emit self->started();
        self->again_.start();  // until it has loaded
    });
}
