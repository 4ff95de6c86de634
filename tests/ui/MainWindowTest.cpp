#include "Fixture.h"
#include "ModalScript.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace tarnex::test {
namespace {

using MainWindowTest = WindowsTest;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST_F(MainWindowTest, WindowHasItsCaptionFixedSizeAndNoMaximise)
{
    EXPECT_EQ(form1->windowTitle(), QStringLiteral("Tarnex Fast  v3.1.1"));
    EXPECT_EQ(form1->minimumSize(), QSize(391, 281));
    EXPECT_EQ(form1->maximumSize(), QSize(391, 281));
    EXPECT_TRUE(form1->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form1->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, ControlsHaveTheirNamesCaptionsHintsAndPlaces)
{
    struct Control {
        const char* name;
        const char* kind;
        const char* text; // nullptr: not compared
        const char* hint;
        QRect geometry;   // a null size: only the position is compared
    };
    const Control controls[] = {
        {"ListView1", "QTreeWidget", nullptr, "Drag files over or press Browse...", {0, 0, 391, 150}},
        {"Label2", "QLabel", "Passes:", "", {8, 163, 0, 0}},
        {"Edit2", "tarnex::TNumberEdit", "3", "", {56, 160, 25, 21}},
        {"Label3", "QLabel", "Password", "", {120, 163, 0, 0}},
        {"Edit1", "QLineEdit", "", "Password", {176, 160, 153, 21}},
        {"SpeedButton1", "QToolButton", nullptr, "Browse", {360, 160, 25, 25}},
        {"Button1", "QPushButton", "&Wipe", "", {8, 184, 73, 22}},
        {"Button4", "QPushButton", "&Encrypt", "", {176, 184, 65, 22}},
        {"Button5", "QPushButton", "&Decrypt", "", {264, 184, 65, 22}},
        {"Memo1", "QPlainTextEdit", nullptr, "", {104, 184, 57, 41}},
        {"Label1", "QLabel", "Pass #:", "", {8, 216, 0, 0}},
        {"Button2", "QPushButton", "&Clear list", "Clear one or all items in the list", {176, 232, 121, 22}},
        {"ProgressBar1", "QProgressBar", nullptr, "", {8, 240, 113, 12}},
        {"Button3", "QPushButton", "E&xit", "", {320, 232, 65, 22}},
        {"StatusBar1", "QStatusBar", nullptr, "", {0, 262, 391, 19}},
        {"StatusText", "QLabel", "Ready", "", {0, 0, 0, 0}},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        auto* w = form1->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(c.kind)) << w->metaObject()->className();
        if (c.text != nullptr) {
            EXPECT_EQ(w->property("text").toString(), QString::fromLatin1(c.text));
        }
        EXPECT_EQ(w->toolTip(), QString::fromLatin1(c.hint));
        if (c.geometry.size().isNull()) {
            if (std::string_view(c.name) != "StatusText") {
                EXPECT_EQ(w->pos(), c.geometry.topLeft());
            }
        } else {
            EXPECT_EQ(w->geometry(), c.geometry);
        }
    }

    EXPECT_EQ(form1->Edit1->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(form1->Memo1->isHidden());
    EXPECT_EQ(form1->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(form1->ProgressBar1->minimum(), 0);
    EXPECT_EQ(form1->ProgressBar1->maximum(), 100);
    EXPECT_EQ(form1->ListView1->headerItem()->text(0), QStringLiteral("Files to Encrypt/Decrypt or Erase"));
    EXPECT_EQ(form1->ListView1->columnWidth(0), 400);
    EXPECT_FALSE(form1->ListView1->header()->sectionsClickable());
    EXPECT_EQ(form1->ListView1->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(form1->ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(form1->OpenDialog1->windowTitle(), QStringLiteral("Select file(s)"));
    EXPECT_EQ(form1->OpenDialog1->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(form1->OpenDialog1->nameFilters(), QStringList{QStringLiteral("All Files (*)")});
    EXPECT_EQ(form1->OpenDialog1->directory().absolutePath(), QDir::homePath());

    QStringList menu;
    for (QAction* a : form1->PopupMenu2->actions())
        menu << a->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(menu, (QStringList{QStringLiteral("SelectFiles1=&Select Files"),
                                 QStringLiteral("ClearList1=&Clear List")}));
}

TEST_F(MainWindowTest, TabOrderVisitsTheFocusableControlsInTheirOrder)
{
    QStringList order;
    QWidget* w = form1->Button1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(form1.get()) && w->window() == form1.get())
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form1->Button1);
    EXPECT_EQ(order, (QStringList{"Button1", "Edit2", "ListView1", "Button2", "Button3", "Button4", "Button5",
                                  "Edit1"}));
}

TEST_F(MainWindowTest, ClearListDeletesTheFirstSelectedRowOnlyOrElseAll)
{
    struct Case {
        std::vector<int> selected;
        QStringList left;
    };
    const Case cases[] = {
        {{}, {}},
        {{1, 2}, {"a", "c"}},
        {{2, 0}, {"b", "c"}},
        {{2}, {"a", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left.join(',').toStdString());
        form1->ListView1->clear();
        for (const char* p : {"a", "b", "b"})
            form1->AddRow(QString::fromLatin1(p));
        form1->ListView1->topLevelItem(2)->setText(0, QStringLiteral("c"));
        for (int row : c.selected)
            form1->ListView1->topLevelItem(row)->setSelected(true);
        form1->Button2->click();
        EXPECT_EQ(Rows(), c.left);
    }
}

TEST_F(MainWindowTest, EscapeAnswersTheClearListButton)
{
    form1->AddRow(QStringLiteral("a"));
    form1->show();
    form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
    QTest::keyClick(form1->Edit1, Qt::Key_Escape);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(form1->isVisible());
}

TEST_F(MainWindowTest, BrowseAppendsChosenFilesDuplicatesIncluded)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.txt"));
    const QString b = dir.filePath(QStringLiteral("b file"));
    WriteFile(a, "a");
    WriteFile(b, "b");
    form1->AddRow(QStringLiteral("/earlier/row"));

    ModalScript script;
    script.Then(ChooseFiles({a})).Then(ChooseFiles({a, b})).Then([](QWidget* modal) {
        qobject_cast<QDialog*>(modal)->reject();
    });
    form1->SpeedButton1->click();
    EXPECT_TRUE(FilesChosen);
    form1->SpeedButton1->click();
    EXPECT_TRUE(FilesChosen);
    const QStringList afterChoosing = Rows();
    form1->SpeedButton1->click();

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    EXPECT_EQ(afterChoosing, (QStringList{"/earlier/row", a, a, b}));
    EXPECT_FALSE(FilesChosen);
    EXPECT_EQ(Rows(), afterChoosing);
}

TEST_F(MainWindowTest, EncryptWithoutPasswordShowsThePlainMessage)
{
    form1->AddRow(QStringLiteral("/no/such/file"));
    ModalScript script;
    script.Answer(QMessageBox::Ok);
    form1->Button4->click();

    ASSERT_EQ(script.Boxes().size(), 1u);
    const SeenBox& box = script.Boxes()[0];
    EXPECT_EQ(box.title, QStringLiteral("Tarnex Fast"));
    EXPECT_EQ(box.text, QStringLiteral("You have to write a password..."));
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(Rows().size(), 1);
}

TEST_F(MainWindowTest, WipeAsksFirstAndReportsABadPassesCountWithAFullStop)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("keep.txt"));
    WriteFile(file, "still here");
    form1->AddRow(file);
    form1->Edit2->setText(QString());

    ModalScript script;
    script.Escape().Answer(QMessageBox::Yes).Answer(QMessageBox::Ok);
    form1->Button1->click(); // Esc: No
    form1->Button1->click(); // Yes: the count fails

    ASSERT_EQ(script.Boxes().size(), 3u);
    const SeenBox& ask = script.Boxes()[0];
    EXPECT_EQ(ask.title, QStringLiteral("Confirm"));
    EXPECT_EQ(ask.icon, QMessageBox::Question);
    EXPECT_EQ(ask.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ask.defaultButton, QMessageBox::Yes);
    EXPECT_EQ(ask.escapeButton, QMessageBox::No);
    // On a memory file system (a /tmp on tmpfs) one sentence follows the three
    // lines after a blank line.
    const QString question = QStringLiteral("Are you sure you want to wipe all these files?\n"
                                            "Note: Once the file is deleted there is no\nway to recover it.");
    EXPECT_TRUE(ask.text == question || ask.text.startsWith(question + QStringLiteral("\n\n"))) << ask.text.toStdString();
    const SeenBox& report = script.Boxes()[2];
    EXPECT_EQ(report.title, QStringLiteral("Tarnex Fast"));
    EXPECT_EQ(report.text, QStringLiteral("'' is not a valid integer value."));
    EXPECT_EQ(report.icon, QMessageBox::Critical);
    EXPECT_EQ(Rows(), QStringList{file});
    EXPECT_EQ(ReadAll(file), QByteArray("still here"));
}

// The same file listed twice: wiped for the first row, missing for the
// second, whose report is the last word, so no success message follows.
TEST_F(MainWindowTest, WipeThroughTheButtonReportsAMissingFileLiterally)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("<b>x"));
    WriteFile(file, QByteArray(5000, 'k'));
    form1->AddRow(file);
    form1->AddRow(file);
    form1->Edit2->setText(QStringLiteral("2"));

    ModalScript script;
    script.Answer(QMessageBox::Yes).Answer(QMessageBox::Ok);
    form1->show();
    form1->Button1->click();

    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_TRUE(script.Unexpected().empty());
    ASSERT_EQ(script.Boxes().size(), 2u);
    const SeenBox& missing = script.Boxes()[1];
    EXPECT_EQ(missing.title, QStringLiteral("Information"));
    EXPECT_EQ(missing.format, Qt::PlainText);
    EXPECT_EQ(missing.text, QStringLiteral("Unable to get the file to erase: \n\n") + file);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(form1->StatusText->text(), QStringLiteral("Ready"));
    EXPECT_EQ(form1->Label1->text(), QStringLiteral("Pass #:"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(WipeSucceeded);
}

TEST_F(MainWindowTest, FileEncryptedAndDecryptedThroughTheButtons)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("report.txt"));
    QByteArray content;
    for (int i = 0; i < 1000; ++i)
        content.append(static_cast<char>(i * 7));
    WriteFile(plain, content);

    ModalScript script;
    script.Answer(QMessageBox::Ok).Answer(QMessageBox::Ok);
    form1->AddRow(plain);
    form1->Edit1->setText(QStringLiteral("pässword"));
    form1->Button4->click();
    EXPECT_TRUE(form1->Edit1->text().isEmpty());
    EXPECT_TRUE(Rows().isEmpty());
    const QByteArray encrypted = ReadAll(plain + QStringLiteral(".KVX"));
    EXPECT_EQ(encrypted.size(), content.size());
    EXPECT_NE(encrypted, content);

    form1->AddRow(plain + QStringLiteral(".KVX"));
    form1->Edit1->setText(QStringLiteral("pässword"));
    form1->Button5->click();
    EXPECT_EQ(ReadAll(plain + QStringLiteral(".dec")), content);
    EXPECT_EQ(form1->StatusText->text(), QStringLiteral("Ready"));

    ASSERT_EQ(script.Boxes().size(), 2u);
    EXPECT_EQ(script.Boxes()[0].text, QStringLiteral("All done, 1 file(s) encrypted."));
    EXPECT_EQ(script.Boxes()[1].text, QStringLiteral("All done, 1 file(s) decrypted."));
}

TEST_F(MainWindowTest, ACommandArrivingWhileAnotherWaitsInItsBoxIsRefused)
{
    form1->AddRow(QStringLiteral("/no/such/file"));
    int rowsSeenInBox = -1;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        form1->Button2Click();
        rowsSeenInBox = form1->ListView1->topLevelItemCount();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    form1->Button4->click(); // empty password: waits in its message
    EXPECT_EQ(rowsSeenInBox, 1);
    form1->Button2->click(); // once it has ended, commands run again
    EXPECT_TRUE(Rows().isEmpty());
}

} // namespace
} // namespace tarnex::test
