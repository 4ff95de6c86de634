#include "ui/SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace tarnex {

namespace {

constexpr quint32 kMagic = 0x54584631; // "TXF1"
constexpr quint8 kAccepted = 1;
constexpr quint8 kRefused = 0;
// Requests come from the same user only, but a stuck or broken one must not
// hold memory or the connection for long.
constexpr qint64 kMaxRequest = 64 * 1024 * 1024;
constexpr int kPeerTimeoutMs = 10000;

QString SafeName(const QString& display)
{
    QString name;
    for (QChar c : display)
        name += c.isLetterOrNumber() || c == u'-' || c == u'.' ? c : QChar(u'_');
    return name.isEmpty() ? QStringLiteral("default") : name;
}

} // namespace

QString SingleInstance::SessionPath(const QString& display)
{
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || dir.at(0) != '/')
        return QString();
    struct stat st {};
    if (::stat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        return QString();
    return QString::fromLocal8Bit(dir) + QStringLiteral("/tarnexfast-") + SafeName(display);
}

SingleInstance::SingleInstance(QString sessionPath, QObject* parent) : QObject(parent), path_(std::move(sessionPath)) {}

SingleInstance::~SingleInstance()
{
    if (server_ != nullptr)
        server_->close();
}

QString SingleInstance::SocketPath() const
{
    return path_ + QStringLiteral(".socket");
}

SingleInstance::Role SingleInstance::Start(int timeoutMs)
{
    if (path_.isEmpty())
        return Role::Alone;
    lock_ = std::make_unique<QLockFile>(path_ + QStringLiteral(".lock"));
    // Only a dead holder makes the lock stale, never its age.
    lock_->setStaleLockTime(0);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock_->tryLock(0)) {
            server_ = new QLocalServer(this);
            server_->setSocketOptions(QLocalServer::UserAccessOption);
            // A socket left by a program that died is ours to replace: we hold the lock.
            QLocalServer::removeServer(SocketPath());
            if (!server_->listen(SocketPath())) {
                delete server_;
                server_ = nullptr;
                lock_->unlock();
                return Role::Alone;
            }
            connect(server_, &QLocalServer::newConnection, this, [this] {
                while (QLocalSocket* socket = server_->nextPendingConnection())
                    Serve(socket);
            });
            return Role::First;
        }
        if (lock_->error() != QLockFile::LockFailedError)
            return Role::Alone;
        // Held by another program: it listens once it has started.
        auto* socket = new QLocalSocket(this);
        socket->connectToServer(SocketPath());
        if (socket->waitForConnected(200)) {
            peer_ = socket;
            return Role::Running;
        }
        delete socket;
        // Never a second program beside a live first one: two would write
        // the same settings.
        if (deadline.hasExpired())
            return Role::Silent;
        QThread::msleep(100);
    }
}

SingleInstance::HandOverResult SingleInstance::HandOver(const QList<QByteArray>& files,
                                                        const QByteArray& activationToken, int timeoutMs)
{
    if (peer_ == nullptr)
        return HandOverResult::NoAnswer;
    QByteArray request;
    {
        QDataStream out(&request, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kMagic << activationToken << static_cast<quint32>(files.size());
        for (const QByteArray& file : files)
            out << file;
    }
    const QDeadlineTimer deadline(timeoutMs);
    peer_->write(request);
    while (peer_->bytesToWrite() > 0) {
        if (!peer_->waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return HandOverResult::NoAnswer;
    }
    while (peer_->bytesAvailable() < 1) {
        if (deadline.hasExpired() || !peer_->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return HandOverResult::NoAnswer;
    }
    char answer = 0;
    peer_->getChar(&answer);
    peer_->disconnectFromServer();
    return static_cast<quint8>(answer) == kAccepted ? HandOverResult::Accepted : HandOverResult::Refused;
}

void SingleInstance::Serve(QLocalSocket* socket)
{
    socket->setParent(this);
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    timeout->start(kPeerTimeoutMs);

    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->bytesAvailable() > kMaxRequest) {
            socket->abort();
            return;
        }
        QDataStream in(socket);
        in.setVersion(QDataStream::Qt_6_0);
        in.startTransaction();
        quint32 magic = 0;
        QByteArray token;
        QList<QByteArray> files;
        in >> magic;
        if (in.status() == QDataStream::Ok && magic != kMagic) {
            socket->abort();
            return;
        }
        in >> token;
        // The count is read here rather than by QDataStream's list reader,
        // which would reserve room for any count it is sent.
        quint32 count = 0;
        in >> count;
        for (quint32 i = 0; in.status() == QDataStream::Ok && i < count; ++i) {
            QByteArray file;
            in >> file;
            files << file;
        }
        if (!in.commitTransaction()) {
            if (in.status() != QDataStream::ReadPastEnd)
                socket->abort();
            return; // the rest is still on its way
        }
        const bool accepted = OnHandOver && OnHandOver(files, token);
        socket->putChar(static_cast<char>(accepted ? kAccepted : kRefused));
        socket->flush();
        socket->disconnectFromServer();
    });
}

} // namespace tarnex
