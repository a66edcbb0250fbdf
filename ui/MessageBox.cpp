#include "ui/MessageBox.h"

#include <QMessageBox>

namespace ui {

namespace {

MessageResponder& responder()
{
    static MessageResponder instance;
    return instance;
}

} // namespace

void set_message_responder(MessageResponder replacement)
{
    responder() = std::move(replacement);
}

Answer message_box(QWidget* parent, const QString& text, Buttons buttons)
{
    if (responder())
        return responder()(text, buttons);
    const QMessageBox::StandardButtons offered = buttons == Buttons::Ok      ? QMessageBox::Ok
                                                 : buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                                             : QMessageBox::Yes | QMessageBox::No |
                                                                                   QMessageBox::Cancel;
    const QMessageBox::Icon icon = buttons == Buttons::Ok ? QMessageBox::Warning : QMessageBox::Question;
    QMessageBox box(icon, QStringLiteral("Marvo"), text, offered, parent);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

} // namespace ui
