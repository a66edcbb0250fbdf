#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "share/ShareProtocol.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The modal send dialog: a recipient from the server's user list (or typed) and the text.
class CInstantMessageDlg : public QDialog {
    Q_OBJECT
public:
    // Users are Shift_JIS names.
    CInstantMessageDlg(const std::vector<std::string>& users, QWidget* parent = nullptr);

    void set_recipient(const std::string& name);
    // The combo box's edit text, so a name not in the list is taken as typed.
    std::string recipient() const;
    // The text with CR LF line breaks, as the message travels.
    std::string text() const;

    QComboBox* recipient_box() const { return recipient_; }
    QPlainTextEdit* text_edit() const { return text_; }

private:
    QComboBox* recipient_;
    QPlainTextEdit* text_;
};

// The window of received messages: newest first, paged with "<<" and ">>". Closing only
// hides it; it is filled and shown again when messages arrive.
class CRecvInstantMsgDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRecvInstantMsgDlg(QWidget* parent = nullptr);

    // Takes a copy of the list and shows its first (newest) message.
    void set_messages(std::vector<share::InstantMessage> messages);
    void show_message(int index);
    int current_index() const { return index_; }
    const std::vector<share::InstantMessage>& messages() const { return messages_; }

    QLabel* sender_label() const { return sender_; }
    QPlainTextEdit* text_view() const { return text_; }
    QPushButton* previous_button() const { return previous_; }
    QPushButton* next_button() const { return next_; }
    QPushButton* reply_button() const { return reply_; }
    QPushButton* close_button() const { return close_; }

signals:
    // "返信": the sender of the message shown (Shift_JIS bytes in a QByteArray).
    void replyRequested(const QByteArray& sender);

private:
    void update_buttons();
    void set_outline();

    std::vector<share::InstantMessage> messages_;
    int index_ = 0;
    QLabel* sender_;
    QPlainTextEdit* text_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* reply_;
    QPushButton* close_;
};

// Sending a message on the user-interface thread: reads the user list (message 137 when it
// comes back empty), opens the send dialog with the preset recipient and sends on OK (message
// 138 on failure). Returns the chosen recipient on OK, empty otherwise.
struct SendMessageContext {
    std::string host;
    int port = 0;
    std::string user;  // the sender
};
std::string run_send_message(QWidget* parent, const SendMessageContext& context, const std::string& preset);

// Replaces the send dialog's exec() in tests: fill the dialog and return true for OK.
using SendDialogResponder = std::function<bool(CInstantMessageDlg& dialog)>;
void set_send_dialog_responder(SendDialogResponder responder);
