// File names that are not valid UTF-8 go through the window as the bytes
// they are on the disk: listed readably, and every command acts on the file
// itself.
#include "Fixture.h"
#include "ModalScript.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnex::test {
namespace {

using ByteNamesTest = WindowsTest;

void WriteBytesNamed(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, data.constData(), static_cast<std::size_t>(data.size())), data.size());
    ::close(fd);
}

QByteArray ReadBytesNamed(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

bool ExistsNamed(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

void DropOn(QWidget* target, const QList<QByteArray>& paths)
{
    QByteArray list;
    for (const QByteArray& path : paths)
        list += "file://" + path.toPercentEncoding("/") + "\r\n";
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), list);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    ASSERT_TRUE(drop.isAccepted());
}

TEST_F(ByteNamesTest, AFileNamedWithByteFFIsDroppedEncryptedDecryptedAndWiped)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray plain = folder + "/\xFF.bin";
    const QByteArray content = QByteArray("not valid UTF-8 in the name, ") + QByteArray(5000, 'z');
    WriteBytesNamed(plain, content);
    // What a text round trip would make of the name: it must stay untouched.
    const QByteArray lookalike = QFile::encodeName(QFile::decodeName(plain));
    WriteBytesNamed(lookalike, "bystander");
    form1->show();

    DropOn(form1->ListView1, {plain});
    ASSERT_EQ(form1->ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(form1->RowPathBytes(0), plain);
    EXPECT_EQ(Rows(), QStringList{QFile::decodeName(folder) + QStringLiteral("/\\xFF.bin")});

    ModalScript script;
    script.Answer(QMessageBox::Ok);
    form1->Edit1->setText(QStringLiteral("pw"));
    form1->Button4->click();
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].text, QStringLiteral("All done, 1 file(s) encrypted."));
    const QByteArray encrypted = ReadBytesNamed(plain + ".KVX");
    EXPECT_EQ(encrypted.size(), content.size());

    DropOn(form1->ListView1, {plain + ".KVX"});
    script.Answer(QMessageBox::Ok);
    form1->Edit1->setText(QStringLiteral("pw"));
    form1->Button5->click();
    EXPECT_EQ(ReadBytesNamed(plain + ".dec"), content);

    QStringList statusWhileWiping;
    auto watch = QObject::connect(form1->ProgressBar1, &QProgressBar::valueChanged,
                                  [&](int) { statusWhileWiping << form1->StatusText->text(); });
    DropOn(form1->ListView1, {plain, plain + ".KVX", plain + ".dec"});
    form1->Edit2->setText(QStringLiteral("1"));
    script.Answer(QMessageBox::Yes).Answer(QMessageBox::Ok);
    form1->Button1->click();
    QObject::disconnect(watch);
    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_TRUE(statusWhileWiping.contains(QStringLiteral("Working: \\xFF.bin pass #: 1")));
    EXPECT_FALSE(ExistsNamed(plain));
    EXPECT_FALSE(ExistsNamed(plain + ".KVX"));
    EXPECT_FALSE(ExistsNamed(plain + ".dec"));
    EXPECT_EQ(ReadBytesNamed(lookalike), QByteArray("bystander"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ByteNamesTest, BoxesNameAnUndecodablePathReadably)
{
    form1->AddRow(QByteArray("/no/such/\xFE.txt"));
    ModalScript script;
    script.Answer(QMessageBox::Ok);
    form1->Edit1->setText(QStringLiteral("pw"));
    form1->Button4->click();
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].text,
              QStringLiteral("/no/such/\\xFE.txt cannot be opened. Check if the file is Read Only."));
}

} // namespace
} // namespace tarnex::test
