#include "ui/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarnex::test {
namespace {

using Role = SingleInstance::Role;
using Result = SingleInstance::HandOverResult;

// A later start, in a thread of its own: the first program answers from the
// event loop of this one, as it would from its own.
struct LaterStart {
    Role role = Role::Alone;
    Result result = Result::NoAnswer;
    std::atomic<bool> done = false;
};

void RunLaterStart(const QString& path, const QList<QByteArray>& files, int timeoutMs, LaterStart& out)
{
    std::unique_ptr<QThread> thread(QThread::create([&] {
        SingleInstance later(path);
        out.role = later.Start(2000);
        if (out.role == Role::Running)
            out.result = later.HandOver(files, QByteArray("token-1"), timeoutMs);
        out.done = true;
    }));
    thread->start();
    while (!out.done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    thread->wait();
}

class SingleInstanceTest : public testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("tarnexfast-x11-_1")); }
    QTemporaryDir dir;
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsFilesOverAsBytes)
{
    SingleInstance first(Path());
    ASSERT_EQ(first.Start(), Role::First);
    QList<QByteArray> received;
    QByteArray token;
    first.OnHandOver = [&](const QList<QByteArray>& files, const QByteArray& t) {
        received = files;
        token = t;
        return true;
    };
    const QList<QByteArray> files = {QByteArray("/a/caf\xff.bin"), QByteArray("/b/\n new line"), QByteArray()};
    LaterStart later;
    RunLaterStart(Path(), files, 5000, later);
    EXPECT_EQ(later.role, Role::Running);
    EXPECT_EQ(later.result, Result::Accepted);
    EXPECT_EQ(received, files);
    EXPECT_EQ(token, QByteArray("token-1"));
}

TEST_F(SingleInstanceTest, ABrokenRequestNeitherReachesTheWindowNorStopsTheService)
{
    SingleInstance first(Path());
    ASSERT_EQ(first.Start(), Role::First);
    int handOvers = 0;
    first.OnHandOver = [&](const QList<QByteArray>&, const QByteArray&) { return ++handOvers > 0; };

    const QList<QByteArray> requests = {
        QByteArray("not a request at all"),
        // The right start, then a count of four thousand million files and none.
        QByteArray::fromHex("54584631" "00000000" "ffffffff"),
    };
    for (const QByteArray& request : requests) {
        QLocalSocket raw;
        raw.connectToServer(first.SocketPath());
        ASSERT_TRUE(raw.waitForConnected(1000));
        raw.write(request);
        raw.flush();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        raw.disconnectFromServer();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(handOvers, 0);

    LaterStart later;
    RunLaterStart(Path(), {QByteArray("/x")}, 5000, later);
    EXPECT_EQ(later.result, Result::Accepted);
    EXPECT_EQ(handOvers, 1);
}

TEST_F(SingleInstanceTest, RefusalAndSilenceReachTheLaterStart)
{
    SingleInstance first(Path());
    ASSERT_EQ(first.Start(), Role::First);
    first.OnHandOver = [](const QList<QByteArray>&, const QByteArray&) { return false; };
    LaterStart refused;
    RunLaterStart(Path(), {QByteArray("/x")}, 5000, refused);
    EXPECT_EQ(refused.result, Result::Refused);

    // A first program that never gets to answer (stuck in a command that
    // lets nothing through) is given up on.
    first.OnHandOver = [](const QList<QByteArray>&, const QByteArray&) {
        QThread::msleep(600);
        return true;
    };
    LaterStart silent;
    RunLaterStart(Path(), {QByteArray("/x")}, 300, silent);
    EXPECT_EQ(silent.role, Role::Running);
    EXPECT_EQ(silent.result, Result::NoAnswer);
}

TEST_F(SingleInstanceTest, ASocketLeftByADeadProgramIsReplacedAndTheLockFreedAtTheEnd)
{
    {
        // What a killed program leaves: a socket file that nobody serves.
        const QByteArray socketPath = QFile::encodeName(Path() + QStringLiteral(".socket"));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.constData(), static_cast<std::size_t>(socketPath.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        ASSERT_TRUE(QFile::exists(Path() + QStringLiteral(".socket")));
    }
    {
        SingleInstance first(Path());
        EXPECT_EQ(first.Start(), Role::First);
    }
    SingleInstance next(Path());
    EXPECT_EQ(next.Start(), Role::First) << "the first program's end frees the session";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(next.SocketPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u) << "only the user may connect";
}

TEST_F(SingleInstanceTest, ALockHeldWithoutASocketIsNoReasonForASecondProgram)
{
    QLockFile held(Path() + QStringLiteral(".lock"));
    ASSERT_TRUE(held.tryLock(0));
    SingleInstance later(Path());
    EXPECT_EQ(later.Start(300), Role::Silent);
}

TEST(SingleInstanceSessionPath, OnlyAPrivateRuntimeFolderOfTheUsersOwn)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path());

    ASSERT_EQ(::chmod(path.constData(), 0700), 0);
    qputenv("XDG_RUNTIME_DIR", path);
    EXPECT_EQ(SingleInstance::SessionPath(QStringLiteral("x11-:0.0")), dir.path() + QStringLiteral("/tarnexfast-x11-_0.0"));
    EXPECT_EQ(SingleInstance::SessionPath(QStringLiteral("wayland-../../x")),
              dir.path() + QStringLiteral("/tarnexfast-wayland-.._.._x")) << "the display never names another folder";

    ASSERT_EQ(::chmod(path.constData(), 0755), 0);
    EXPECT_TRUE(SingleInstance::SessionPath(QStringLiteral("x11-:0")).isEmpty()) << "open to others";
    qputenv("XDG_RUNTIME_DIR", "relative/dir");
    EXPECT_TRUE(SingleInstance::SessionPath(QStringLiteral("x11-:0")).isEmpty());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(SingleInstance::SessionPath(QStringLiteral("x11-:0")).isEmpty()) << "never a shared /tmp";

    qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
} // namespace tarnex::test
