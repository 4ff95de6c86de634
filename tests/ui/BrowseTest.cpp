// Browse's file dialog: what it shows is current, it leaves nothing of
// itself on the screen, and nothing of where the user went on the disk.
#include "Fixture.h"
#include "ModalScript.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDirIterator>
#include <QFileSystemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace tarnex::test {
namespace {

using BrowseTest = WindowsTest;

auto Cancel()
{
    return [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
}

TEST_F(BrowseTest, TheDialogShowsAFileAsItIsNowNotAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("grows.txt"));
    WriteFile(file, QByteArray());
    qint64 sizeSeen = -1;
    auto sizeInDialog = [&](QWidget* modal) {
        auto* model = modal->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(model->index(file).isValid() && model->size(model->index(file)) > 0, 3000);
        sizeSeen = model->size(model->index(file));
        qobject_cast<QDialog*>(modal)->reject();
    };
    ModalScript script;
    script.Then([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        dialog->setDirectory(dir.path());
        auto* model = modal->findChild<QFileSystemModel*>();
        QTRY_VERIFY_WITH_TIMEOUT(model->index(file).isValid(), 3000);
        dialog->reject();
    }).Then(sizeInDialog);
    form1->SpeedButton1->click();
    WriteFile(file, QByteArray(5000, 'g'));
    form1->SpeedButton1->click();
    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_EQ(sizeSeen, 5000);
}

TEST_F(BrowseTest, NoCompletionListIsLeftOnTheScreen)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("report-one.txt")), "1");
    WriteFile(dir.filePath(QStringLiteral("report-two.txt")), "2");
    QPointer<QWidget> popup;
    bool shown = false;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
        dialog->setDirectory(dir.path());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        ASSERT_NE(name->completer(), nullptr);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("rep"));
        name->completer()->setCompletionPrefix(dir.filePath(QStringLiteral("rep")));
        name->completer()->complete();
        QTRY_VERIFY_WITH_TIMEOUT(name->completer()->popup()->isVisible(), 3000);
        popup = name->completer()->popup();
        shown = popup->isVisible();
        name->setText(QStringLiteral("report-one.txt"));
        static_cast<QDialog*>(dialog)->accept();
    });
    form1->SpeedButton1->click();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(popup.isNull() || !popup->isVisible());
    EXPECT_EQ(Rows(), QStringList{dir.filePath(QStringLiteral("report-one.txt"))});
}

// A session that browses through folders leaves in the user's configuration
// folder no file but the program's own record.
TEST_F(BrowseTest, BrowsingLeavesNoTraceOfTheFoldersVisited)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_TRUE(config.startsWith(QDir::tempPath())) << "the tests keep to a private configuration folder";
    QTemporaryDir secret;
    const QString file = secret.filePath(QStringLiteral("diary.txt"));
    WriteFile(file, "dear diary");
    QDir(secret.path()).mkdir(QStringLiteral("inner"));

    ModalScript script;
    script.Then([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        dialog->setDirectory(secret.filePath(QStringLiteral("inner")));
        dialog->setDirectory(secret.path());
        dialog->reject();
    }).Then(ChooseFiles({file})).Then(Cancel());
    for (int i = 0; i < 3; ++i)
        form1->SpeedButton1->click();
    TearDown(); // the windows go, as at the end of the program
    SetUp();

    QStringList written;
    QDirIterator it(config, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        written << QDir(config).relativeFilePath(it.next());
    written.removeAll(QStringLiteral("tarnexfs3.conf"));
    EXPECT_EQ(written, QStringList()) << "beside tarnexfs3.conf";
    for (const QString& name : QDir(config).entryList(QDir::Files)) {
        QFile f(QDir(config).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_FALSE(f.readAll().contains(QFile::encodeName(secret.path()))) << name.toStdString();
    }
}

} // namespace
} // namespace tarnex::test
