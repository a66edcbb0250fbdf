// The instant-message dialogs, and sending through a real server.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>

#include "TempDir.h"
#include "platform/QtText.h"
#include "res/StringTable.h"
#include "server/ShareServer.h"
#include "share/ui/InstantMessageDlg.h"
#include "ui/MessageBox.h"

namespace {

QString text_of(int id)
{
    return QString::fromUtf8(res::text(id).data(), static_cast<qsizetype>(res::text(id).size()));
}

std::vector<share::InstantMessage> numbered(int count)
{
    std::vector<share::InstantMessage> messages;
    for (int i = 0; i < count; ++i)
        messages.push_back({"sender" + std::to_string(i), "me", "text " + std::to_string(i)});
    return messages;
}

class SendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server::ServerOptions options;
        options.port = 0;
        options.database = "sqlite:" + dir_.file("share.db");
        server_ = std::make_unique<server::ShareServer>(options, [](const std::string&) {});
        server_->start();
        ui::set_message_responder([this](const QString& text, ui::Buttons) {
            shown_ << text;
            return ui::Answer::Ok;
        });
    }
    void TearDown() override
    {
        ui::set_message_responder({});
        set_send_dialog_responder({});
        server_->stop();
    }
    SendMessageContext context() const { return {"127.0.0.1", server_->port(), "alice"}; }
    // Messages waiting for a user on the server.
    std::vector<share::InstantMessage> inbox(const std::string& user)
    {
        std::vector<share::InstantMessage> messages;
        EXPECT_TRUE(share::poll_messages("127.0.0.1", server_->port(), user, messages));
        return messages;
    }

    TempDir dir_;
    std::unique_ptr<server::ShareServer> server_;
    QStringList shown_;
};

} // namespace

TEST(ReceivedMessages, PagingIsClampedAndTheButtonsFollowTheIndex)
{
    CRecvInstantMsgDlg window;
    window.set_messages(numbered(1));
    EXPECT_FALSE(window.previous_button()->isEnabled());
    EXPECT_FALSE(window.next_button()->isEnabled());

    window.set_messages(numbered(3));
    EXPECT_EQ(window.current_index(), 0);
    EXPECT_EQ(window.sender_label()->text(), QStringLiteral("sender0"));
    window.next_button()->click();
    window.next_button()->click();
    EXPECT_EQ(window.current_index(), 2);
    EXPECT_EQ(window.text_view()->toPlainText(), QStringLiteral("text 2"));
    EXPECT_FALSE(window.next_button()->isEnabled());
    EXPECT_TRUE(window.previous_button()->isEnabled());
    window.show_message(7);
    EXPECT_EQ(window.current_index(), 2);
    window.previous_button()->click();
    EXPECT_EQ(window.sender_label()->text(), QStringLiteral("sender1"));

    // A reply goes to the sender of the message shown; closing only hides the window.
    QSignalSpy replies(&window, &CRecvInstantMsgDlg::replyRequested);
    window.next_button()->click();
    window.reply_button()->click();
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0][0].toByteArray(), QByteArray("sender2"));
    window.show();
    window.close_button()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.messages().size(), 3u);
}

TEST(ReceivedMessages, LineBreaksShowAsLinesAndTheSenderAsPlainText)
{
    CRecvInstantMsgDlg window;
    window.set_messages({{"<a href=\"http://x/\">bob</a>", "me", "one\r\ntwo"}});
    EXPECT_EQ(window.text_view()->toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(window.sender_label()->textFormat(), Qt::PlainText);
    EXPECT_EQ(window.sender_label()->text(), QStringLiteral("<a href=\"http://x/\">bob</a>"));
}

TEST(SendDialog, UsersAreSortedAndATypedNameIsTaken)
{
    CInstantMessageDlg dialog({"carol", "bob", platform::from_qstring(QStringLiteral("山田"))});
    ASSERT_EQ(dialog.recipient_box()->count(), 3);
    EXPECT_EQ(dialog.recipient_box()->itemText(0), QStringLiteral("bob"));
    EXPECT_EQ(dialog.recipient_box()->itemText(1), QStringLiteral("carol"));
    dialog.set_recipient("dave");
    EXPECT_EQ(dialog.recipient(), "dave");
    dialog.text_edit()->setPlainText(QStringLiteral("a\nb"));
    EXPECT_EQ(dialog.text(), "a\r\nb");
}

TEST_F(SendTest, AMessageWithLineBreaksArrivesUnchanged)
{
    inbox("bob");  // the server learns bob's name from his poll
    std::vector<std::string> listed;
    set_send_dialog_responder([&](CInstantMessageDlg& dialog) {
        for (int i = 0; i < dialog.recipient_box()->count(); ++i)
            listed.push_back(platform::from_qstring(dialog.recipient_box()->itemText(i)));
        EXPECT_EQ(dialog.recipient(), "bob");  // preset
        dialog.text_edit()->setPlainText(QStringLiteral("first line\nsecond line"));
        return true;
    });
    EXPECT_EQ(run_send_message(nullptr, context(), "bob"), "bob");
    EXPECT_TRUE(shown_.isEmpty());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "bob"), listed.end());
    const auto received = inbox("bob");
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].sender, "alice");
    EXPECT_EQ(received[0].text, "first line\r\nsecond line");
}

TEST_F(SendTest, ANameNotInTheListIsSentAsTypedAndCancelSendsNothing)
{
    set_send_dialog_responder([](CInstantMessageDlg& dialog) {
        dialog.set_recipient("stranger");
        dialog.text_edit()->setPlainText(QStringLiteral("hello"));
        return true;
    });
    EXPECT_EQ(run_send_message(nullptr, context(), ""), "stranger");
    EXPECT_EQ(inbox("stranger").size(), 1u);

    set_send_dialog_responder([](CInstantMessageDlg&) { return false; });
    EXPECT_EQ(run_send_message(nullptr, context(), "stranger"), "");
    EXPECT_TRUE(inbox("stranger").empty());
}

TEST_F(SendTest, AnUnreachableServerShowsBothFailures)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const int port = closed.serverPort();
    closed.close();  // nothing listens there now
    bool opened = false;
    set_send_dialog_responder([&](CInstantMessageDlg& dialog) {
        opened = true;
        EXPECT_EQ(dialog.recipient_box()->count(), 0);
        dialog.set_recipient("bob");
        return true;
    });
    run_send_message(nullptr, {"127.0.0.1", port, "alice"}, "");
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown_, QStringList({text_of(res::str::kUserListFailed), text_of(res::str::kMessageSendFailed)}));
}

TEST_F(SendTest, ASilentServerLeavesTheWindowsRunning)
{
    QTcpServer silent; // takes the connection, never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(100);
    set_send_dialog_responder([](CInstantMessageDlg&) { return false; });
    run_send_message(nullptr, {"127.0.0.1", silent.serverPort(), "alice"}, "");
    // The user list waited out its time while the timers kept running.
    EXPECT_GT(ticks, 10);
    EXPECT_EQ(shown_, QStringList({text_of(res::str::kUserListFailed)}));
}
