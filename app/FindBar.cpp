#include "app/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

FindBar::FindBar(QWebEnginePage* page, QWidget* parent) : QWidget(parent), page_(page)
{
    setObjectName(QStringLiteral("FindBar"));
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(new QLabel(tr("検索:"), this));
    edit_ = new QLineEdit(this);
    edit_->setMinimumWidth(120);
    edit_->setClearButtonEnabled(true);
    layout->addWidget(edit_, 1);
    previous_ = new QToolButton(this);
    previous_->setArrowType(Qt::UpArrow);
    previous_->setToolTip(tr("前を検索 (Shift+Enter, Shift+F3)"));
    next_ = new QToolButton(this);
    next_->setArrowType(Qt::DownArrow);
    next_->setToolTip(tr("次を検索 (Enter, F3)"));
    layout->addWidget(previous_);
    layout->addWidget(next_);
    case_ = new QCheckBox(tr("大文字と小文字を区別"), this);
    layout->addWidget(case_);
    result_ = new QLabel(this);
    result_->setMinimumWidth(80);
    layout->addWidget(result_);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(tr("検索バーを閉じる (Esc)"));
    layout->addWidget(close);

    edit_->installEventFilter(this);
    parent->installEventFilter(this);
    connect(edit_, &QLineEdit::textEdited, this, [this] { find(false); });
    connect(case_, &QCheckBox::toggled, this, [this] {
        // The engine takes the same text again as "next" under the old option: stop first.
        page_->findText(QString());
        find(false);
    });
    connect(next_, &QToolButton::clicked, this, &FindBar::find_next);
    connect(previous_, &QToolButton::clicked, this, &FindBar::find_previous);
    connect(close, &QToolButton::clicked, this, &FindBar::close_bar);
    hide();
}

void FindBar::open()
{
    place();
    show();
    raise();
    edit_->selectAll();
    edit_->setFocus(Qt::ShortcutFocusReason);
}

void FindBar::close_bar()
{
    // Ending the search leaves the current match selected: the selection goes too.
    page_->findText(QString());
    page_->runJavaScript(QStringLiteral("window.getSelection().removeAllRanges()"), QWebEngineScript::ApplicationWorld);
    searched_.clear();
    matches_ = active_ = 0;
    result_->clear();
    hide();
    if (QWebEngineView* view = QWebEngineView::forPage(page_))
        view->setFocus();
}

void FindBar::find_next()
{
    find(false);
}

void FindBar::find_previous()
{
    find(true);
}

void FindBar::find(bool backward)
{
    const QString text = edit_->text();
    if (text.isEmpty()) {
        page_->findText(QString());
        searched_.clear();
        matches_ = active_ = 0;
        result_->clear();
        edit_->setStyleSheet(QString());
        return;
    }
    QWebEnginePage::FindFlags flags;
    if (backward)
        flags |= QWebEnginePage::FindBackward;
    if (case_->isChecked())
        flags |= QWebEnginePage::FindCaseSensitively;
    // The engine answers a search begun before the last one ended with nothing found: while
    // one runs, typing on only asks for one more search when it ends.
    if (in_flight_ > 0 && text != searched_) {
        search_again_ = true;
        return;
    }
    if (text != searched_)
        second_looks_ = kSecondLooks;
    searched_ = text;
    ++in_flight_;
    page_->findText(text, flags, [this, alive = QPointer<FindBar>(this), text](const QWebEngineFindTextResult& result) {
        if (!alive)
            return;
        --in_flight_;
        if (text == searched_ && result.numberOfMatches() == 0 && second_looks_ > 0) {
            // Now and then the engine answers a new search with nothing found before it has
            // looked at the page (seen on a real display right after a load): look again
            // from the start before saying so.
            --second_looks_;
            QTimer::singleShot(kSecondLookDelayMs, this, [this, text] {
                if (text != edit_->text() || !isVisible())
                    return;
                page_->findText(QString());
                searched_.clear();
                const int left = second_looks_;
                find(false);
                second_looks_ = left;
            });
        } else if (text == searched_) {
            show_result(result);
        }
        if (search_again_ && in_flight_ == 0) {
            search_again_ = false;
            find(false);
        }
    });
}

void FindBar::show_result(const QWebEngineFindTextResult& result)
{
    if (searched_.isEmpty())
        return;
    matches_ = result.numberOfMatches();
    active_ = result.activeMatch();
    const bool found = matches_ > 0;
    result_->setText(found ? tr("%1 / %2 件").arg(active_).arg(matches_) : tr("見つかりません"));
    // A search that finds nothing is shown in the field itself, as in any browser.
    edit_->setStyleSheet(found ? QString() : QStringLiteral("QLineEdit { background: #ffd6d6; }"));
}

QString FindBar::result_text() const
{
    return result_->text();
}

// At the top right of the page, clear of its scroll bar; the page keeps its size, so the
// matches found stay where they are and the memos over them too.
void FindBar::place()
{
    QWidget* page = parentWidget();
    const int room = std::max(0, page->width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    const int width = std::min(room, std::max(sizeHint().width(), 520));
    setGeometry(room - width, 0, width, sizeHint().height());
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    if (watched == edit_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ours = key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                          key->key() == Qt::Key_Enter || key->key() == Qt::Key_F3;
        if (!ours)
            return QWidget::eventFilter(watched, event);
        // Escape and F3 belong to the bar while it has the keyboard, not to the frame's table.
        event->accept();
        if (event->type() == QEvent::ShortcutOverride)
            return true;
        if (key->key() == Qt::Key_Escape)
            close_bar();
        else
            find(key->modifiers() & Qt::ShiftModifier);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
