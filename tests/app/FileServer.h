#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <map>

// Files served as downloads on 127.0.0.1, sent in slices so that a transfer takes a while.
// A file can stall after its first slice (until `release`) or drop the connection half way.
class FileServer : public QObject {
public:
    enum class Ending { Complete, Stall, Drop };

    FileServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    void set(const QString& path, QByteArray body, Ending ending = Ending::Complete)
    {
        files_[path] = {std::move(body), ending};
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    // Lets stalled transfers go on.
    void release() { stalled_ = false; }

    static constexpr qint64 kSlice = 512 * 1024;

private:
    struct File {
        QByteArray body;
        Ending ending;
    };

    void answer(QTcpSocket* socket)
    {
        const QString path = QString::fromUtf8(socket->readAll().split(' ').value(1));
        const auto file = files_.find(path);
        if (file == files_.end() || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        const QString name = path.section(QLatin1Char('/'), -1);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                      "Content-Disposition: attachment; filename=\"" + name.toUtf8() + "\"\r\n"
                      "Connection: close\r\nContent-Length: " + QByteArray::number(file->second.body.size()) + "\r\n\r\n");
        if (file->second.ending == Ending::Stall)
            stalled_ = true;
        send_from(socket, &file->second, 0);
    }

    // One slice every few milliseconds, so that progress is seen on the way.
    void send_from(QTcpSocket* socket, const File* file, qint64 offset)
    {
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
        const bool past_half = offset >= file->body.size() / 2;
        if (file->ending == Ending::Drop && past_half) {
            socket->flush();
            socket->abort();
            return;
        }
        if (file->ending == Ending::Stall && offset > 0 && stalled_) {
            QTimer::singleShot(20, socket, [=, this] { send_from(socket, file, offset); });
            return;
        }
        if (offset >= file->body.size()) {
            socket->disconnectFromHost();
            return;
        }
        socket->write(file->body.mid(offset, kSlice));
        QTimer::singleShot(15, socket, [=, this] { send_from(socket, file, offset + kSlice); });
    }

    QTcpServer server_;
    std::map<QString, File> files_;
    bool stalled_ = false;
};
