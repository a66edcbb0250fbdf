#include "platform/InstanceLink.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Folders.h"

namespace platform {

namespace instance_link {

namespace {

// A folder of our own, closed to others: where the session has none, one in the temp folder
// that this user made and no one else may enter.
bool private_folder(const QByteArray& path)
{
    ::mkdir(path.constData(), 0700);
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & 0077) == 0;
}

QString runtime_folder()
{
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!session.isEmpty() && QDir::isAbsolutePath(session) && QFileInfo(session).isDir())
        return session;
    const QString own = QDir::tempPath() + QStringLiteral("/marvo-") + QString::number(::getuid());
    if (private_folder(QFile::encodeName(own)))
        return own;
    return QString::fromStdString(data_folder_from_environment().string());
}

} // namespace

QString socket_name(const QString& service)
{
    // One instance per user session and data folder: a program started over another data
    // folder is another browser, with its own link.
    const QByteArray data = QByteArray::fromStdString(data_folder_from_environment().string());
    const QString key = QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex().left(16));
    return runtime_folder() + QLatin1Char('/') + service + QLatin1Char('-') + key;
}

} // namespace instance_link

namespace {

bool is_known_topic(const QByteArray& topic)
{
    for (const char* known : instance_link::kTopics)
        if (topic == known)
            return true;
    return false;
}

void append_field(QByteArray& out, const QByteArray& field)
{
    const quint32 n = static_cast<quint32>(field.size());
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(n >> (8 * i)));
    out.append(field);
}

// Takes one length-prefixed field from the front of buffer; false when it is incomplete.
// A length beyond the limit marks the field as refused.
enum class Field { Complete, Incomplete, TooLarge };
Field take_field(QByteArray& buffer, int& offset, QByteArray& field)
{
    if (buffer.size() - offset < 4)
        return Field::Incomplete;
    quint32 n = 0;
    for (int i = 0; i < 4; ++i)
        n |= quint32(static_cast<unsigned char>(buffer[offset + i])) << (8 * i);
    if (n > static_cast<quint32>(instance_link::kMaxData))
        return Field::TooLarge;
    if (buffer.size() - offset - 4 < static_cast<int>(n))
        return Field::Incomplete;
    field = buffer.mid(offset + 4, static_cast<int>(n));
    offset += 4 + static_cast<int>(n);
    return Field::Complete;
}

// The execute rule: a text that starts with a double quote and has a second one gives the
// part between them; otherwise the whole text.
QByteArray unquote_command(const QByteArray& text)
{
    if (text.startsWith('"')) {
        const int close = text.indexOf('"', 1);
        if (close > 0)
            return text.mid(1, close - 1);
    }
    return text;
}

} // namespace

struct InstanceServer::Conversation {
    QByteArray buffer;
    QByteArray topic;  // empty until a connect was accepted
};

InstanceServer::InstanceServer(OpenHandler open, ActivateHandler activate, QObject* parent)
    : QObject(parent), open_(std::move(open)), activate_(std::move(activate))
{
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::start(const QString& service)
{
    service_ = service;
    const QString name = instance_link::socket_name(service);
    if (InstanceClient::instance_running(service))
        return false;
    QLocalServer::removeServer(name);  // a socket file left behind by a crashed instance
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name))
        return false;
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::accept_connections);
    return true;
}

void InstanceServer::accept_connections()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto conversation = std::make_shared<Conversation>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, conversation] { serve(socket, *conversation); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void InstanceServer::serve(QLocalSocket* socket, Conversation& conversation)
{
    conversation.buffer += socket->readAll();
    for (;;) {
        QByteArray& buffer = conversation.buffer;
        if (buffer.isEmpty())
            return;
        const char kind = buffer[0];
        const int fields = kind == 'C' || kind == 'P' ? 2 : kind == 'E' ? 1 : kind == 'A' ? 0 : -1;
        if (fields < 0) {
            socket->abort();
            return;
        }
        int offset = 1;
        QByteArray values[2];
        for (int i = 0; i < fields; ++i) {
            const Field state = take_field(buffer, offset, values[i]);
            if (state == Field::Incomplete)
                return;  // wait for the rest
            if (state == Field::TooLarge) {
                socket->write(QByteArray(1, '\0'));
                socket->disconnectFromServer();
                buffer.clear();
                return;
            }
        }
        buffer.remove(0, offset);

        bool acknowledged = false;
        switch (kind) {
        case 'C':
            acknowledged = values[0] == service_.toUtf8() && is_known_topic(values[1]);
            if (acknowledged)
                conversation.topic = values[1];
            break;
        case 'P':
            if (!conversation.topic.isEmpty() && (values[0] == "FILENAME" || values[0] == instance_link::kService)) {
                // Poked data may carry its terminating zero.
                QByteArray data = values[1];
                if (const int zero = data.indexOf('\0'); zero >= 0)
                    data.truncate(zero);
                open_(data);
                acknowledged = true;
            }
            break;
        case 'E':
            if (!conversation.topic.isEmpty() && values[0].size() > 2) {
                open_(unquote_command(values[0]));
                acknowledged = true;
            } else {
                acknowledged = !conversation.topic.isEmpty();
            }
            break;
        case 'A':
            activate_();
            acknowledged = true;
            break;
        }
        socket->write(QByteArray(1, acknowledged ? '\1' : '\0'));
        socket->flush();
    }
}

InstanceClient::InstanceClient() = default;
InstanceClient::~InstanceClient() = default;

bool InstanceClient::instance_running(const QString& service)
{
    QLocalSocket probe;
    probe.connectToServer(instance_link::socket_name(service));
    const bool running = probe.waitForConnected(1000);
    probe.abort();
    return running;
}

bool InstanceClient::connect(const QString& service, const QByteArray& topic, int timeout_ms)
{
    socket_ = std::make_unique<QLocalSocket>();
    socket_->connectToServer(instance_link::socket_name(service));
    if (!socket_->waitForConnected(timeout_ms)) {
        socket_.reset();
        return false;
    }
    return transact('C', {service.toUtf8(), topic}, timeout_ms);
}

bool InstanceClient::poke(const QByteArray& item, const QByteArray& data, int timeout_ms)
{
    return transact('P', {item, data}, timeout_ms);
}

bool InstanceClient::execute(const QByteArray& command, int timeout_ms)
{
    return transact('E', {command}, timeout_ms);
}

bool InstanceClient::activate(const QString& service, int timeout_ms)
{
    if (!socket_) {
        socket_ = std::make_unique<QLocalSocket>();
        socket_->connectToServer(instance_link::socket_name(service));
        if (!socket_->waitForConnected(timeout_ms)) {
            socket_.reset();
            return false;
        }
    }
    return transact('A', {}, timeout_ms);
}

void InstanceClient::disconnect()
{
    if (socket_) {
        socket_->disconnectFromServer();
        socket_.reset();
    }
}

bool InstanceClient::transact(char kind, std::initializer_list<QByteArray> fields, int timeout_ms)
{
    if (!socket_)
        return false;
    QByteArray message(1, kind);
    for (const QByteArray& field : fields)
        append_field(message, field);
    socket_->write(message);
    if (!socket_->waitForBytesWritten(timeout_ms))
        return false;
    while (socket_->bytesAvailable() < 1)
        if (!socket_->waitForReadyRead(timeout_ms))
            return false;
    char answer = 0;
    socket_->getChar(&answer);
    return answer == 1;
}

} // namespace platform
