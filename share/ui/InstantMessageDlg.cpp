#include "share/ui/InstantMessageDlg.h"

#include <QCoreApplication>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "res/StringTable.h"
#include "share/ui/OffUiThread.h"
#include "ui/MessageBox.h"
#include "ui/Texts.h"

namespace {

// Messages travel with CR LF line breaks; the edit controls use LF.
std::string to_wire_text(const QString& text)
{
    QString crlf = text;
    crlf.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return platform::from_qstring(crlf);
}

QString from_wire_text(const std::string& text)
{
    QString shown = platform::to_qstring(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

SendDialogResponder& send_responder()
{
    static SendDialogResponder responder;
    return responder;
}

} // namespace

CInstantMessageDlg::CInstantMessageDlg(const std::vector<std::string>& users, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("InstantMessageDlg", "インスタントメッセージの送信"));
    recipient_ = new QComboBox(this);
    recipient_->setEditable(true);
    recipient_->setInsertPolicy(QComboBox::NoInsert);
    QStringList names;
    for (const std::string& user : users)
        names << platform::to_qstring(user);
    names.sort();
    recipient_->addItems(names);
    recipient_->setEditText(QString());
    text_ = new QPlainTextEdit(this);
    text_->setTabChangesFocus(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QCoreApplication::translate("InstantMessageDlg", "送信"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("InstantMessageDlg", "キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("InstantMessageDlg", "宛先"), this), 0, 0);
    layout->addWidget(recipient_, 0, 1);
    layout->addWidget(new QLabel(QCoreApplication::translate("InstantMessageDlg", "内容"), this), 1, 0, Qt::AlignTop);
    layout->addWidget(text_, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    resize(360, 240);
}

void CInstantMessageDlg::set_recipient(const std::string& name)
{
    recipient_->setEditText(platform::to_qstring(name));
}

std::string CInstantMessageDlg::recipient() const
{
    return platform::from_qstring(recipient_->currentText());
}

std::string CInstantMessageDlg::text() const
{
    return to_wire_text(text_->toPlainText());
}

CRecvInstantMsgDlg::CRecvInstantMsgDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ReceivedMessages"));
    set_outline();
    sender_ = new QLabel(QStringLiteral("From"), this);
    // The name is whatever the sender typed: shown as it stands, never as markup or links.
    sender_->setTextFormat(Qt::PlainText);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    previous_ = new QPushButton(QStringLiteral("<<"), this);
    next_ = new QPushButton(QStringLiteral(">>"), this);
    reply_ = new QPushButton(QCoreApplication::translate("InstantMessageDlg", "返信"), this);
    close_ = new QPushButton(QCoreApplication::translate("InstantMessageDlg", "閉じる"), this);
    for (QPushButton* button : {previous_, next_, reply_, close_})
        button->setAutoDefault(false);

    connect(previous_, &QPushButton::clicked, this, [this] { show_message(index_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { show_message(index_ + 1); });
    connect(reply_, &QPushButton::clicked, this, [this] {
        if (index_ >= 0 && index_ < static_cast<int>(messages_.size()))
            emit replyRequested(QByteArray::fromStdString(messages_[static_cast<std::size_t>(index_)].sender));
    });
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);

    auto* row = new QHBoxLayout;
    row->addWidget(previous_);
    row->addWidget(next_);
    row->addStretch(1);
    row->addWidget(reply_);
    row->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sender_);
    layout->addWidget(text_, 1);
    layout->addLayout(row);
    resize(280, 160);
    update_buttons();
}

void CRecvInstantMsgDlg::set_outline()
{
    // No caption: a thin outline marks the window against the page behind it.
    setStyleSheet(QStringLiteral("CRecvInstantMsgDlg { border: 1px solid palette(dark); }"));
}

void CRecvInstantMsgDlg::set_messages(std::vector<share::InstantMessage> messages)
{
    messages_ = std::move(messages);
    show_message(0);
}

void CRecvInstantMsgDlg::show_message(int index)
{
    const int last = static_cast<int>(messages_.size()) - 1;
    index_ = std::max(0, std::min(index, last));
    if (last >= 0) {
        const share::InstantMessage& message = messages_[static_cast<std::size_t>(index_)];
        sender_->setText(platform::to_qstring(message.sender));
        text_->setPlainText(from_wire_text(message.text));
    } else {
        sender_->setText(QStringLiteral("From"));
        text_->clear();
    }
    update_buttons();
}

void CRecvInstantMsgDlg::update_buttons()
{
    const int last = static_cast<int>(messages_.size()) - 1;
    previous_->setEnabled(index_ > 0);
    next_->setEnabled(index_ < last);
    reply_->setEnabled(last >= 0);
}

void set_send_dialog_responder(SendDialogResponder responder)
{
    send_responder() = std::move(responder);
}

std::string run_send_message(QWidget* parent, const SendMessageContext& context, const std::string& preset)
{
    if (context.user.empty() || context.host.empty())
        return {};
    std::vector<std::string> users;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool listed = run_off_ui_thread([&] { return share::get_user_list(context.host, context.port, users); });
    QApplication::restoreOverrideCursor();
    if (!listed || users.empty()) {
        users.clear();
        ui::message_box(parent, ::ui::string_text(res::str::kUserListFailed));
    }
    CInstantMessageDlg dialog(users, parent);
    dialog.set_recipient(preset);
    const bool accepted = send_responder() ? send_responder()(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted)
        return {};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool sent = run_off_ui_thread([&, recipient = dialog.recipient(), text = dialog.text()] {
        return share::send_message(context.host, context.port, context.user, recipient, text);
    });
    QApplication::restoreOverrideCursor();
    if (!sent)
        ui::message_box(parent, ::ui::string_text(res::str::kMessageSendFailed));
    return dialog.recipient();
}
