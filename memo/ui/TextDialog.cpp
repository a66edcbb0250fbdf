#include "memo/ui/TextDialog.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QVBoxLayout>

#include "memo/ui/QtCanvas.h"
#include "platform/QtText.h"

namespace {
CTextDialog::Responder& responder()
{
    static CTextDialog::Responder r;
    return r;
}
} // namespace

CTextModeEditBox::CTextModeEditBox(QWidget* parent) : QPlainTextEdit(parent) {}

void CTextModeEditBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !viewport()->rect().contains(event->position().toPoint())) {
        emit released_outside();
        return;
    }
    QPlainTextEdit::mouseReleaseEvent(event);
}

CTextDialog::CTextDialog(QWidget* parent, const QRect& window_rect, const QString& text, const memo::LogFont& font)
    : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    edit_ = new CTextModeEditBox(this);
    edit_->setFont(memo::font_from_logfont(font));
    edit_->setPlainText(text);
    edit_->setFrameStyle(QFrame::NoFrame);
    connect(edit_, &CTextModeEditBox::released_outside, this, &QDialog::accept);
    const QRect r = window_rect.normalized();
    setGeometry(QRect(parent ? parent->mapToGlobal(r.topLeft()) : r.topLeft(), r.size().expandedTo({40, 20})));
    edit_->setGeometry(rect());
    edit_->setFocus();
}

QString CTextDialog::text() const
{
    return edit_->toPlainText();
}

void CTextDialog::keyPressEvent(QKeyEvent* event)
{
    cancelled_ = event->key() == Qt::Key_Escape;
    QDialog::keyPressEvent(event);
}

void CTextDialog::reject()
{
    if (cancelled_)
        QDialog::reject();
    else
        accept();
}

// Presses and wheel turns outside the popup come here. A modal dialog would never see them:
// the windows it blocks drop them.
void CTextDialog::mousePressEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint())) {
        accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CTextDialog::wheelEvent(QWheelEvent* event)
{
    if (!rect().contains(event->position().toPoint())) {
        accept();
        return;
    }
    QDialog::wheelEvent(event);
}

void CTextDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    edit_->setGeometry(rect());
}

bool CTextDialog::run(QWidget* parent, const QRect& rect, std::string& text, const memo::LogFont& font)
{
    if (responder())
        return responder()(text);
    CTextDialog dialog(parent, rect, platform::to_qstring(text), font);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = platform::from_qstring(dialog.text());
    return true;
}

void CTextDialog::set_responder(Responder r)
{
    responder() = std::move(r);
}
