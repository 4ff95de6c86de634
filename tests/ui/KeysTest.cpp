// The keyboard as a user meets it: Enter presses the button that has the
// focus and the default button only when no button has it, Esc answers only
// where a window has a cancel button, and the first focus is where the tab
// order starts.
#include "Fixture.h"
#include "ModalScript.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace tarnex::test {
namespace {

using KeysTest = WindowsTest;

// A key as the keyboard delivers it: to whatever has the focus.
void Press(Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key);
}

QString FocusName()
{
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("<none>");
}

TEST_F(KeysTest, PasswordDialogEnterPressesTheFocusedButton)
{
    struct Case {
        int tabs;
        const char* focused;
        bool accepted;
    };
    const Case cases[] = {
        {0, "Edit1", true},   // the default button, OK
        {1, "Button1", true}, // OK
        {2, "Button2", false}, // Cancel: nothing may be replaced
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focused);
        form1->Edit1->setText(QStringLiteral("before"));
        QString focused;
        ModalScript script;
        script.Then([&](QWidget* modal) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed"));
            for (int i = 0; i < c.tabs; ++i)
                Press(Qt::Key_Tab);
            focused = FocusName();
            Press(Qt::Key_Return);
            if (modal->isVisible())
                qobject_cast<QDialog*>(modal)->reject();
        });
        EXPECT_EQ(form1->Engine().AskPassword(), c.accepted);
        EXPECT_EQ(focused, QString::fromLatin1(c.focused));
        EXPECT_EQ(form1->Edit1->text(), c.accepted ? QStringLiteral("typed") : QStringLiteral("before"));
    }
}

TEST_F(KeysTest, PasswordBoxesShowAStarForEachCharacter)
{
    for (QLineEdit* box : {form1->Edit1, pass->Edit1}) {
        SCOPED_TRACE(box->window()->objectName().toStdString());
        box->clear();
        QTest::keyClicks(box, QStringLiteral("password"));
        EXPECT_EQ(box->displayText(), QString(8, u'*'));
    }
}

TEST_F(KeysTest, MainWindowStartsAtWipeWhereEnterPressesTheFocusedButtonOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kept");
    f.close();
    form1->AddRow(file);
    form1->show();
    form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
    EXPECT_EQ(FocusName(), QStringLiteral("Button1"));

    ModalScript script;
    script.Answer(QMessageBox::No);
    Press(Qt::Key_Return); // Wipe asks first
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].title, QStringLiteral("Confirm"));

    // No default button: Enter in the password box presses nothing.
    form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
    form1->Edit1->setFocus();
    form1->Edit1->setText(QStringLiteral("pw"));
    Press(Qt::Key_Return);
    EXPECT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(form1->Edit1->text(), QStringLiteral("pw"));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".KVX")));
    EXPECT_EQ(Rows(), QStringList{file});
}

TEST_F(KeysTest, InformationDialogTakesEnterOnEitherButtonAndIgnoresEsc)
{
    QStringList seen;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
        seen << FocusName();
        Press(Qt::Key_Escape);
        seen << (modal->isVisible() ? QStringLiteral("open") : QStringLiteral("closed"));
        Press(Qt::Key_Tab);
        seen << FocusName();
        Press(Qt::Key_Return); // Warranty: shows the text
        seen << (form2->Memo1->isVisibleTo(form2.get()) ? QStringLiteral("text") : QStringLiteral("picture"));
        seen << (modal->isVisible() ? QStringLiteral("open") : QStringLiteral("closed"));
        form2->Button1->setFocus();
        Press(Qt::Key_Return); // OK
    });
    form1->CaptionButton1Click();
    EXPECT_EQ(seen, (QStringList{"Button1", "open", "Button2", "text", "open"}));
    EXPECT_FALSE(form2->isVisible());
    EXPECT_EQ(script.Remaining(), 0u);
}

TEST_F(KeysTest, ConfirmationTakesEnterOnNo)
{
    form1->AddRow(QStringLiteral("/no/such/file"));
    ModalScript script;
    script.Then([&](QWidget* modal) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
        Press(Qt::Key_Tab);
        Press(Qt::Key_Return);
        if (modal->isVisible())
            qobject_cast<QDialog*>(modal)->done(QMessageBox::Yes);
    });
    form1->Button1->click();
    EXPECT_TRUE(script.Unexpected().empty()) << "Yes was pressed: the wipe went on";
    EXPECT_EQ(Rows().size(), 1);
}

} // namespace
} // namespace tarnex::test
