#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "app/MarvoApp.h"

// Pages served by the test itself on 127.0.0.1: path -> HTML. Counts requests per path.
class QMenu;

class PageServer : public QObject {
public:
    PageServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    void set(const QString& path, const QString& html) { pages_[path] = html.toUtf8(); }
    void set_bytes(const QString& path, const QByteArray& body) { pages_[path] = body; }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    int hits(const QString& path) const { return hits_.count(path) ? hits_.at(path) : 0; }
    // Requests for the path wait unanswered, as from a slow site, until it is released.
    void hold(const QString& path) { held_paths_.insert(path); }
    void release(const QString& path)
    {
        held_paths_.erase(path);
        for (const QPointer<QTcpSocket>& socket : std::exchange(waiting_[path], {}))
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                respond(socket, path);
    }

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray request = socket->readAll();
        const QString path = QString::fromUtf8(request.split(' ').value(1));
        ++hits_[path];
        if (held_paths_.count(path)) {
            waiting_[path].emplace_back(socket);
            return;
        }
        respond(socket, path);
    }
    void respond(QTcpSocket* socket, const QString& path)
    {
        const auto page = pages_.find(path);
        const QByteArray body = page != pages_.end() ? page->second : QByteArray("not found");
        socket->write((page != pages_.end() ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n") +
                      QByteArray("Content-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
                                 "Content-Length: ") +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    std::map<QString, QByteArray> pages_;
    std::map<QString, int> hits_;
    std::set<QString> held_paths_;
    std::map<QString, std::vector<QPointer<QTcpSocket>>> waiting_;
};

// The application object without starting the program, for widget tests.
struct AppInit {
    static void ensure();
};

// Runs the real program in-process: one application object per test program, started for
// each test over a fresh data folder.
class AppTest : public ::testing::Test {
public:
    static CMarvoApp& application();

protected:
    static CMarvoApp& app() { return application(); }

    void SetUp() override;
    void TearDown() override;

    // Starts the program as a user would, without the single-instance link unless asked.
    bool start(const QStringList& arguments = {}, bool single_instance = false, const QString& service = {});

    // The menu bar's menu or submenu whose first item is the command, found by opening the
    // menus that lead to it as the user does: a menu gets its items when it first opens.
    static QMenu* open_menu_starting_with(int command);

    // Processes events until the condition holds or the time is up.
    static bool wait_until(const std::function<bool()>& condition, int timeout_ms = 15000);
    static void pump(int ms);

    // Created first: the page server's sockets need the application's event loop.
    struct AppInstance {
        AppInstance() { app(); }
    } app_instance_;
    TempDir data_;
    PageServer pages_;
};
