#include "Fixture.h"
#include "ModalScript.h"

#include "ui/components/CaptBtn.h"
#include "ui/components/CoolTrayIcon.h"
#include "ui/components/Formenh.h"
#include "ui/components/TrayPresence.h"
#include "ui/HandOver.h"

#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace tarnex::test {
namespace {

class TrayTest : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        // These run as on a desktop with an XEmbed tray.
        form1->CoolTrayIcon1->Presence()->Set(false, true);
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

// Without a tray the window offers the tray menu itself, in the free space
// beside Wipe and as its own context menu; with a tray it looks as before.
TEST_F(TrayTest, WithoutATrayTheWindowOffersTheTrayMenu)
{
    QToolButton* button = form1->MenuButton1;
    EXPECT_TRUE(button->isHidden()) << "a tray is there";

    form1->CoolTrayIcon1->Presence()->Set(false, false);
    EXPECT_TRUE(form1->isVisible()) << "the hidden window comes back when the tray goes";
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(button->geometry(), QRect(104, 184, 57, 22));
    EXPECT_EQ(button->text(), QStringLiteral("&Menu"));
    EXPECT_EQ(button->menu(), form1->PopupMenu1);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << "the Tab order stays that of the other controls";
    emit form1->customContextMenuRequested(QPoint(200, 215));
    EXPECT_TRUE(form1->PopupMenu1->isVisible());
    form1->PopupMenu1->hide();

    // A tray command shows the window for its work and, with nowhere to
    // hide it to, leaves it shown.
    ModalScript script;
    script.Then(ChooseFiles({file})).Answer(QMessageBox::No);
    form1->Wipefiles1->trigger();
    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(form1->isVisible());

    form1->CoolTrayIcon1->Presence()->Set(false, true);
    EXPECT_TRUE(button->isHidden());
}

TEST_F(TrayTest, DecryptedTextIsMarkedSecretForClipboardManagers)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    form1->Engine().SetClipboardSecretText("Gr\xc3\xbc\xc3\x9f" "e");
    const QMimeData* data = clipboard->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("Grüße"));
    EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));

    // As with plain text: it ends at a zero byte, and nothing leaves the
    // clipboard as it was.
    form1->Engine().SetClipboardSecretText(std::string("ab\0cd", 5));
    EXPECT_EQ(clipboard->text(), QStringLiteral("ab"));
    form1->Engine().SetClipboardSecretText(std::string("\0x", 2));
    EXPECT_EQ(clipboard->text(), QStringLiteral("ab"));

    form1->Engine().SetClipboardText("plain");
    EXPECT_FALSE(clipboard->mimeData()->hasFormat(QStringLiteral("x-kde-passwordManagerHint")));
}

// Wayland compositors give the clipboard only to the focused program: the
// password dialog stays on screen until the clipboard is set, and goes
// before the closing message.
TEST_F(TrayTest, ClipboardIsSetWhileThePasswordDialogIsStillShown)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("plain text"));
    std::vector<bool> dialogShownAtSet;
    QObject::connect(clipboard, &QClipboard::dataChanged, form1.get(),
                     [&] { dialogShownAtSet.push_back(passDialog->isVisible()); });
    bool dialogShownAtMessage = true;
    QString boxText;
    ModalScript script;
    script.Then(TypePassword(QStringLiteral("pw"))).Then([&](QWidget* modal) {
        dialogShownAtMessage = passDialog->isVisible();
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        boxText = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    form1->EncryptClipboard1->trigger();

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_EQ(dialogShownAtSet, std::vector<bool>{true});
    EXPECT_FALSE(dialogShownAtMessage);
    EXPECT_EQ(boxText, QStringLiteral("Clipboard encrypted."));
    EXPECT_FALSE(passDialog->isVisible());
    EXPECT_TRUE(passDialog->Edit1->text().isEmpty());
    EXPECT_TRUE(form1->Edit1->text().isEmpty());
}

TEST_F(TrayTest, ClipboardErrorIsReportedOnceTheDialogHasClosed)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    bool dialogShownAtReport = true;
    ModalScript script;
    script.Then(TypePassword(QStringLiteral("pw"))).Then([&](QWidget* modal) {
        dialogShownAtReport = passDialog->isVisible();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    form1->DecryptClipboard1->trigger();
    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_FALSE(dialogShownAtReport);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("abc"));
    EXPECT_EQ(form1->Edit1->text(), QStringLiteral("pw")) << "the failed command leaves the password";
    EXPECT_FALSE(form1->CommandRunning());
}

// Files from the command line or a later start: listed as a drop lists
// them, bytes as they are, and the window comes forward; refused while a
// command runs.
TEST_F(TrayTest, HandedFilesAreListedAndShowTheWindowUnlessACommandRuns)
{
    form1->hide();
    const QList<QByteArray> files = {QByteArray("/data/caf\xff.bin"), QByteArray("/data/b")};
    EXPECT_TRUE(AcceptFiles(*form1, files, QByteArray()));
    EXPECT_TRUE(form1->isVisible());
    ASSERT_EQ(form1->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(form1->RowPathBytes(0), files[0]);
    EXPECT_EQ(form1->RowPathBytes(1), files[1]);

    bool refused = false;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        refused = !AcceptFiles(*form1, {QByteArray("/late")}, QByteArray());
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    form1->Button4->click(); // no password: waits in its message
    EXPECT_TRUE(refused);
    EXPECT_EQ(form1->ListView1->topLevelItemCount(), 2);
}

} // namespace
} // namespace tarnex::test
