#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace platform {

// The link through which a second start of the program hands its document to the running
// one: a local socket named after the service and the data folder, in the user session's
// runtime folder. A client connects with a topic, then
// pokes an item with data or executes a command text; the server answers every transaction
// with one byte (1 acknowledged, 0 not processed). A live server marks a running instance.
//
// Wire form, client to server: a kind byte ('C' connect, 'P' poke, 'E' execute, 'A' activate)
// followed by its fields, each a 4-byte little-endian length and the bytes:
// connect (service, topic), poke (item, data), execute (data), activate (nothing).
namespace instance_link {
constexpr char kService[] = "Marvo.exe";
constexpr const char* kTopics[] = {"WWW_OpenURL", "WWW_OpenURLNewWindow", "WWW_OpenFile"};
// Data of one transaction is taken whole up to this size; larger transactions are refused.
constexpr int kMaxData = 64 * 1024;
QString socket_name(const QString& service);
} // namespace instance_link

class InstanceServer : public QObject {
    Q_OBJECT
public:
    using OpenHandler = std::function<void(const QByteArray& target)>;
    using ActivateHandler = std::function<void()>;

    InstanceServer(OpenHandler open, ActivateHandler activate, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Starts listening under the service name; false when another instance already does.
    bool start(const QString& service = instance_link::kService);

private:
    struct Conversation;
    void accept_connections();
    void serve(QLocalSocket* socket, Conversation& conversation);

    OpenHandler open_;
    ActivateHandler activate_;
    QString service_;
    QLocalServer* server_ = nullptr;
};

// Client side, blocking with time limits: used by a second instance before it exits.
class InstanceClient {
public:
    InstanceClient();
    ~InstanceClient();

    // True when an instance listens under the service name.
    static bool instance_running(const QString& service = instance_link::kService);

    bool connect(const QString& service, const QByteArray& topic, int timeout_ms = 2000);
    bool poke(const QByteArray& item, const QByteArray& data, int timeout_ms = 10000);
    bool execute(const QByteArray& command, int timeout_ms = 10000);
    // Asks the running instance to bring its window to the front (over the connection made,
    // else over a new one to the service).
    bool activate(const QString& service, int timeout_ms = 2000);
    void disconnect();

private:
    bool transact(char kind, std::initializer_list<QByteArray> fields, int timeout_ms);
    std::unique_ptr<QLocalSocket> socket_;
};

} // namespace platform
