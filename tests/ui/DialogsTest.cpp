#include "Fixture.h"
#include "ModalScript.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace tarnex::test {
namespace {

using DialogsTest = WindowsTest;

TEST_F(DialogsTest, PasswordDialogEnablesOkOnlyWithText)
{
    EXPECT_EQ(pass->windowTitle(), QStringLiteral("Enter Password"));
    EXPECT_EQ(pass->size(), QSize(285, 106));
    EXPECT_EQ(pass->Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(pass->Edit1->geometry(), QRect(16, 24, 249, 21));
    EXPECT_EQ(pass->Button1->geometry(), QRect(16, 64, 75, 22));
    EXPECT_EQ(pass->Button2->geometry(), QRect(192, 64, 75, 22));
    EXPECT_EQ(pass->Button1->text(), QStringLiteral("&OK"));
    EXPECT_EQ(pass->Button2->text(), QStringLiteral("&Cancel"));
    EXPECT_FALSE(pass->Button1->isEnabled());

    bool enabledAfterTyping = false;
    bool disabledAfterDeleting = false;
    bool stillOpenAfterEnter = false;
    ModalScript script;
    script.Then([&](QWidget*) {
        QTest::keyClick(pass->Edit1, Qt::Key_A);
        enabledAfterTyping = pass->Button1->isEnabled();
        QTest::keyClick(pass->Edit1, Qt::Key_Backspace);
        disabledAfterDeleting = !pass->Button1->isEnabled();
        QTest::keyClick(pass->Edit1, Qt::Key_Return);
        stillOpenAfterEnter = pass->isVisible();
        QTest::keyClicks(pass->Edit1, QStringLiteral("x"));
        QTest::keyClick(pass->Edit1, Qt::Key_Return);
    });
    EXPECT_TRUE(form1->Engine().AskPassword());
    EXPECT_TRUE(enabledAfterTyping);
    EXPECT_TRUE(disabledAfterDeleting);
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(form1->Edit1->text(), QStringLiteral("x"));
}

// However the dialog closes, its box ends empty, last holding the filler
// rather than the password, with nothing to undo back to.
TEST_F(DialogsTest, PasswordDialogScrubsItsBoxOnEveryWayOfClosing)
{
    struct Case {
        const char* how;
        std::function<void()> close;
        int result;
    };
    const Case cases[] = {
        {"OK", [] { pass->Button1->click(); }, QDialog::Accepted},
        {"Enter", [] {
             pass->Edit1->setFocus();
             QTest::keyClick(pass->Edit1, Qt::Key_Return);
         }, QDialog::Accepted},
        {"Cancel", [] { pass->Button2->click(); }, QDialog::Rejected},
        {"Esc", [] { QTest::keyClick(pass->Edit1, Qt::Key_Escape); }, QDialog::Rejected},
        {"window close", [] { pass->close(); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        form1->Edit1->setText(QStringLiteral("before"));
        QStringList texts;
        auto watch = QObject::connect(pass->Edit1, &QLineEdit::textChanged,
                                      [&](const QString& t) { texts << t; });
        bool focusInBox = false;
        ModalScript script;
        script.Then([&](QWidget*) {
            focusInBox = pass->focusWidget() == pass->Edit1;
            QTest::keyClicks(pass->Edit1, QStringLiteral("s3cret"));
            pass->Button2->setFocus(); // the next showing must not start here
            c.close();
        });
        EXPECT_EQ(form1->Engine().AskPassword(), c.result == QDialog::Accepted);
        QObject::disconnect(watch);

        EXPECT_TRUE(focusInBox);
        EXPECT_TRUE(pass->Edit1->text().isEmpty());
        EXPECT_FALSE(pass->Button1->isEnabled());
        ASSERT_GE(texts.size(), 2);
        EXPECT_EQ(texts.back(), QString());
        EXPECT_EQ(texts[texts.size() - 2], QString::fromLatin1(Tpass::kScrubFiller));
        EXPECT_FALSE(pass->Edit1->isUndoAvailable());
        pass->Edit1->undo();
        EXPECT_TRUE(pass->Edit1->text().isEmpty());
        EXPECT_EQ(form1->Edit1->text(),
                  c.result == QDialog::Accepted ? QStringLiteral("s3cret") : QStringLiteral("before"));
    }
}

TEST_F(DialogsTest, MainWindowAsksThroughThePasswordDialog)
{
    ModalScript script;
    script.Then(TypePassword(QStringLiteral("pw"))).Escape();
    EXPECT_TRUE(form1->Engine().AskPassword());
    EXPECT_EQ(form1->Engine().PasswordText(), "pw");
    EXPECT_FALSE(form1->Engine().AskPassword());
    EXPECT_EQ(form1->Engine().PasswordText(), "pw");
}

TEST_F(DialogsTest, InformationDialogLayout)
{
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("Info..."));
    EXPECT_EQ(form2->size(), QSize(234, 248));
    EXPECT_EQ(form2->Image1->geometry(), QRect(0, 0, 234, 210));
    EXPECT_EQ(form2->Image1->pixmap().size(), QSize(234, 210));
    EXPECT_EQ(form2->Memo1->geometry(), QRect(0, -1, 234, 217));
    EXPECT_TRUE(form2->Memo1->isReadOnly());
    EXPECT_TRUE(form2->Memo1->isHidden());
    EXPECT_TRUE(form2->Memo1->toPlainText().contains(QStringLiteral("Twofish")));
    EXPECT_TRUE(form2->Memo1->toPlainText().contains(QStringLiteral("SHA-1")));
    EXPECT_EQ(form2->Button1->geometry(), QRect(184, 224, 35, 21));
    EXPECT_EQ(form2->Button2->geometry(), QRect(8, 224, 153, 21));
    EXPECT_EQ(form2->Button2->text(), QStringLiteral("&Warranty - Please read"));
}

// The toggle follows the button's caption, which outlives a close, while
// every close hides the text.
TEST_F(DialogsTest, InformationDialogToggleFollowsTheCaption)
{
    enum Op { Press, Close, Show, ShowText };
    struct Step {
        Op op;
        bool textShown;
        const char* caption;
    };
    const Step steps[] = {
        {Show, false, "&Warranty - Please read"},
        {Press, true, "&About"},
        {Close, false, "&About"},
        {Show, false, "&About"},
        {Press, false, "&Warranty - Please read"},
        {Press, true, "&About"},
        {Close, false, "&About"},
        {Press, false, "&Warranty - Please read"},
        {ShowText, true, "&Warranty - Please read"},
        {Press, true, "&About"},
        {Press, false, "&Warranty - Please read"},
        {Close, false, "&Warranty - Please read"},
    };
    int index = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(index++);
        switch (s.op) {
        case Press: form2->Button2->click(); break;
        case Close: form2->close(); break;
        case Show: form2->show(); break;
        case ShowText:
            form2->Memo1->show();
            form2->show();
            break;
        }
        EXPECT_EQ(form2->Memo1->isVisibleTo(form2.get()), s.textShown);
        EXPECT_EQ(form2->Button2->text(), QString::fromLatin1(s.caption));
    }
}

TEST_F(DialogsTest, InformationDialogHidesItsTextOnEveryClose)
{
    const std::function<void()> closes[] = {
        [] { Form2->Button1->click(); },
        [] { Form2->close(); },
    };
    for (const auto& close : closes) {
        form2->Memo1->show();
        ModalScript script;
        script.Then([&](QWidget*) { close(); });
        form2->exec();
        EXPECT_TRUE(form2->Memo1->isHidden());
    }
}

} // namespace
} // namespace tarnex::test
