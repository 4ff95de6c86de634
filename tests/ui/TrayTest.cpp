#include "Fixture.h"
#include "ModalScript.h"

#include "ui/components/CaptBtn.h"
#include "ui/components/CoolTrayIcon.h"
#include "ui/components/Formenh.h"

#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace tarnex::test {
namespace {

class TrayTest : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        file = dir.filePath(QStringLiteral("chosen.txt"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("chosen file");
    }

    QTemporaryDir dir;
    QString file;
};

TEST_F(TrayTest, ExtrasAreSetAndTheTrayMenuListsItsItemsInOrder)
{
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed() == false);
    EXPECT_EQ(form1->FormEnhance1->SaveName(), QStringLiteral("\\Software\\tarnexfs3"));
    EXPECT_EQ(form1->FormEnhance1->SaveKey(), QStringLiteral("Vantor122"));
    EXPECT_TRUE(form1->FormEnhance1->AcceptFiles());
    EXPECT_EQ(form1->CaptionButton1->RightMargin(), 70);
    EXPECT_TRUE(form1->CaptionButton1->Visible());
    const TCoolTrayIcon& tray = *form1->CoolTrayIcon1;
    EXPECT_EQ(tray.Hint(), QStringLiteral("Tarnex Fast"));
    EXPECT_TRUE(tray.ShowHint());
    EXPECT_TRUE(tray.LeftPopup());
    EXPECT_TRUE(tray.StartMinimized());
    EXPECT_TRUE(tray.MinimizeToTray());
    EXPECT_EQ(tray.CycleInterval(), 0u);
    EXPECT_EQ(tray.PopupMenu(), form1->PopupMenu1);

    QStringList items;
    for (QAction* a : form1->PopupMenu1->actions())
        items << a->objectName() + QLatin1Char('=') + (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, (QStringList{"Exit1=E&xit", "Waranty1=Wa&rranty", "N1=-", "open1=&Open",
                                  "Wipefiles1=&Wipe files", "Decryptfiles1=&Decrypt files",
                                  "Encryptfiles1=&Encrypt files", "DecryptClipboard1=Decrypt Clip&board",
                                  "EncryptClipboard1=Encrypt &Clipboard", "EmptyClipboard1=E&mpty Clipboard"}));
}

TEST_F(TrayTest, EncryptCancelledAtThePasswordEmptiesTheListAndLeavesTheWindow)
{
    form1->AddRow(QStringLiteral("/earlier/row"));
    form1->hide();
    ModalScript script;
    script.Then(ChooseFiles({file})).Then([](QWidget* modal) { qobject_cast<Tpass*>(modal)->Button2->click(); });
    form1->Encryptfiles1->trigger();

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".KVX")));
    EXPECT_FALSE(form1->isVisible());
}

TEST_F(TrayTest, EncryptWithAPasswordRunsShownAndHidesTheWindowAfter)
{
    bool shownWhileWorking = false;
    ModalScript script;
    script.Then(ChooseFiles({file})).Then(TypePassword(QStringLiteral("pw"))).Then([&](QWidget* modal) {
        shownWhileWorking = form1->isVisible();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    form1->show();
    form1->Encryptfiles1->trigger();

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_TRUE(shownWhileWorking);
    EXPECT_FALSE(form1->isVisible());
    EXPECT_FALSE(FilesChosen);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(form1->Edit1->text().isEmpty());
    EXPECT_EQ(QFile(file + QStringLiteral(".KVX")).size(), QFile(file).size());
}

TEST_F(TrayTest, FileDialogCancelledAsksNothingAndChangesNothing)
{
    form1->AddRow(QStringLiteral("/earlier/row"));
    for (QAction* item : {form1->Encryptfiles1, form1->Decryptfiles1, form1->Wipefiles1}) {
        SCOPED_TRACE(item->objectName().toStdString());
        ModalScript script;
        script.Then([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        item->trigger();
        EXPECT_EQ(script.Remaining(), 0u);
        EXPECT_TRUE(script.Unexpected().empty());
        EXPECT_EQ(Rows(), QStringList{"/earlier/row"});
        EXPECT_FALSE(FilesChosen);
    }
}

TEST_F(TrayTest, WipeAnsweredNoKeepsTheFilesAndHidesTheWindowAgain)
{
    ModalScript script;
    script.Then(ChooseFiles({file})).Answer(QMessageBox::No);
    form1->show();
    form1->Wipefiles1->trigger();

    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(Rows(), QStringList{file});
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(form1->isVisible());
    EXPECT_FALSE(FilesChosen);
}

TEST_F(TrayTest, DroppedFilesAreAppendedInOrder)
{
    form1->AddRow(QStringLiteral("/a"));
    form1->FormEnhance1->OnDropFiles({QByteArray("/b"), QByteArray("/a")}, QPoint(5, 5));
    EXPECT_EQ(Rows(), (QStringList{"/a", "/b", "/a"}));
}

// While a command waits in its box, the tray and drops stay live; whatever
// arrives then is refused, so the command never sees the list change.
TEST_F(TrayTest, TrayCommandsDropsAndExitAreRefusedWhileACommandWaits)
{
    form1->AddRow(QStringLiteral("/a"));
    QStringList rowsInBox;
    bool boxStillOpen = false;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        form1->FormEnhance1->OnDropFiles({QByteArray("/dropped")}, QPoint());
        for (QAction* item : {form1->Encryptfiles1, form1->Wipefiles1, form1->EncryptClipboard1,
                              form1->EmptyClipboard1, form1->Waranty1, form1->Exit1})
            item->trigger();
        form1->CaptionButton1->OnClick(form1->CaptionButton1);
        rowsInBox = Rows();
        boxStillOpen = modal->isVisible();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    form1->Button4->click(); // no password: waits in its message

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_EQ(rowsInBox, QStringList{"/a"});
    EXPECT_TRUE(boxStillOpen);
}

TEST_F(TrayTest, ClipboardEncryptedAndDecryptedFromTheTrayMenu)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = QStringLiteral("Zwei Zeilen\nmit Umlauten: äöü");
    clipboard->setText(text);

    ModalScript script;
    script.Then(TypePassword(QStringLiteral("pw")))
        .Answer(QMessageBox::Ok)
        .Then(TypePassword(QStringLiteral("pw")))
        .Answer(QMessageBox::Ok)
        .Answer(QMessageBox::Yes);
    form1->EncryptClipboard1->trigger();
    const QString line = clipboard->text();
    form1->DecryptClipboard1->trigger();
    const QString back = clipboard->text();
    form1->EmptyClipboard1->trigger();

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_NE(line, text);
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    EXPECT_EQ(line.size() % 4, 0);
    EXPECT_EQ(back, text);
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_TRUE(form1->Edit1->text().isEmpty());
    ASSERT_EQ(script.Boxes().size(), 3u);
    EXPECT_EQ(script.Boxes()[0].text, QStringLiteral("Clipboard encrypted."));
    EXPECT_EQ(script.Boxes()[1].text, QStringLiteral("Clipboard decrypted."));
    EXPECT_EQ(script.Boxes()[2].text, QStringLiteral("Are you sure you want empty the clipboard?"));
}

TEST_F(TrayTest, CaptionButtonOpensInfoAsLeftAndWarrantyOpensItOnItsText)
{
    std::vector<bool> textShown;
    auto look = [&](QWidget* modal) {
        textShown.push_back(form2->Memo1->isVisibleTo(form2.get()));
        qobject_cast<QDialog*>(modal)->accept();
    };
    ModalScript script;
    script.Then(look).Then(look).Then(look);
    form1->CaptionButton1->OnClick(form1->CaptionButton1);
    form1->Waranty1->trigger();
    form1->CaptionButton1->OnClick(form1->CaptionButton1);

    EXPECT_EQ(textShown, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(form2->Button2->text(), QStringLiteral("&Warranty - Please read"));
}

} // namespace
} // namespace tarnex::test
