// One program per user session: the first start owns a lock and listens on a
// local socket in the user's private runtime folder; a later start hands its
// files to it there and ends.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace tarnex {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        First,   // this program serves the session
        Running, // another program does: hand the files to it
        Silent,  // another program holds the lock but takes no connection
        Alone,   // no private runtime folder, or it cannot be used: run without
    };
    enum class HandOverResult { Accepted, Refused, NoAnswer };

    // The lock's and the socket's path without extension for this user's
    // session on `display`, in $XDG_RUNTIME_DIR; empty when that folder is
    // missing, not the user's own, or open to others.
    static QString SessionPath(const QString& display);

    explicit SingleInstance(QString sessionPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and listens, or finds the program that holds it. Waits
    // up to `timeoutMs` for a program that is starting or ending.
    Role Start(int timeoutMs = 5000);

    // Running: sends the files (and the launcher's activation token, which
    // lets the running program raise its window) and waits for the answer.
    HandOverResult HandOver(const QList<QByteArray>& files, const QByteArray& activationToken,
                            int timeoutMs = 10000);

    // First: a later start's files. Returns false to refuse them.
    std::function<bool(const QList<QByteArray>& files, const QByteArray& activationToken)> OnHandOver;

    QString SocketPath() const;

private:
    void Serve(QLocalSocket* socket);

    QString path_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QLocalSocket* peer_ = nullptr;
};

} // namespace tarnex
