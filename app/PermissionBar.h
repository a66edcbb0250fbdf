#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <deque>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QWebEngineFullScreenRequest;
class QWebEnginePage;
namespace platform {
class RegistryStore;
}

// Asks the user, in a bar laid over the top of a tab's page, whether a site may use the
// camera, the microphone, the location, notifications, the screen, the pointer or the full
// screen. The page goes on while the bar waits; requests wait their turn behind the one
// shown. An answer to remember for the site is kept (SitePermissions) and given to the site's
// later requests without asking.
class PermissionBar : public QWidget {
    Q_OBJECT
public:
    PermissionBar(QWebEnginePage* page, platform::RegistryStore& store, QWidget* parent);

    // The question shown, and the controls that answer it (made with the first question).
    QString question() const;
    QCheckBox* remember_box() const { return remember_; }
    QPushButton* allow_button() const { return allow_; }
    QPushButton* deny_button() const { return deny_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Request {
        QUrl origin;
        QString kind;
        std::function<void(bool allowed)> answer;
    };

    void ask(Request request);
    void answer(bool allowed);
    void forget(const QUrl& origin, const QString& kind);
    void build();
    void show_first();
    void place();
    void full_screen(QWebEngineFullScreenRequest request);

    QWebEnginePage* page_;
    platform::RegistryStore& store_;
    QLabel* text_ = nullptr;
    QCheckBox* remember_ = nullptr;
    QPushButton* allow_ = nullptr;
    QPushButton* deny_ = nullptr;
    std::deque<Request> pending_;
};
