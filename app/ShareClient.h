#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "share/ShareWorker.h"
#include "share/ui/InstantMessageDlg.h"

class CMarvoApp;
class CTabBrowserWnd;

// The browser's side of sharing: owns the share state and the worker, queues the site checks
// after each page and the commits and deletions of the memo store, and takes the worker's
// deliveries on the user-interface thread. The worker posts its events to the application
// object, which hands them to handle_event().
class ShareClient : public QObject {
    Q_OBJECT
public:
    // The two deliveries, posted to the application like the thread messages they replace.
    static constexpr QEvent::Type kPackagesEvent = static_cast<QEvent::Type>(QEvent::User + 2);
    static constexpr QEvent::Type kMessagesEvent = static_cast<QEvent::Type>(QEvent::User + 3);
    // How often the status pane follows the worker.
    static constexpr int kStatusRefreshMs = 250;

    explicit ShareClient(CMarvoApp& app);
    ~ShareClient() override;

    // Starts the worker with the current settings and plugs the memo store into it.
    void start();
    // Stops the worker, waiting at most the worker's stop time; never hangs.
    void stop();
    // Hands the share settings to the worker (start-up and after the settings sheet).
    void push_settings();

    // After a document completed: one check per URL of the page and its frames, unless one
    // of them is private.
    void add_search(CTabBrowserWnd& tab);
    // The URLs of the page and its frames, the page first, without repeats.
    static std::vector<std::string> page_urls(CTabBrowserWnd& tab);
    bool is_private(const std::string& url) const;

    // Pane 1 of the status bar for the active tab.
    QString pane_text() const;
    // The pane click: asks message 111, then adds the page's URLs to the private list and
    // commits what changed elsewhere.
    void exclude_active_site();

    // Called by the application for its custom events; true when the event was sharing's.
    bool handle_event(QEvent* event);

    // The command "インスタントメッセージの送信": the recipient is preset to the last one chosen
    // through the command, and the choice is remembered.
    void send_message_command();
    // "返信" in the received-message window.
    void reply_to(const std::string& sender);
    bool can_send_message() const;
    CRecvInstantMsgDlg* received_window() const { return received_; }

    share::ShareState& state() { return *state_; }
    share::ShareWorker* worker() const { return worker_.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void take_packages();
    void take_messages();

    CMarvoApp& app_;
    std::unique_ptr<share::ShareState> state_;
    std::unique_ptr<share::ShareNotifier> notifier_;
    std::unique_ptr<share::ShareWorker> worker_;
    QPointer<CRecvInstantMsgDlg> received_;
    std::string last_recipient_;
};
