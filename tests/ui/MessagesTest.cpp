#include "ModalScript.h"
#include "Fixture.h"

#include "crypto/Tools.h"
#include "ui/Messages.h"

#include <QPushButton>

#include <stdexcept>

namespace tarnex::test {
namespace {

using MessagesTest = WindowsTest;

TEST_F(MessagesTest, EveryKindOfBoxShowsItsTextAsPlainText)
{
    const std::string path = "/tmp/<b>x</b>&amp;";
    struct Case {
        std::function<void()> show;
        const char* title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    const Case cases[] = {
        {[&] { form1->Engine().ShowMessage(MessageKind::Plain, path); }, "Tarnex Fast", QMessageBox::NoIcon,
         QMessageBox::Ok},
        {[&] { form1->Engine().ShowMessage(MessageKind::Information, path); }, "Information", QMessageBox::Information,
         QMessageBox::Ok},
        {[&] { form1->Engine().ShowMessage(MessageKind::Error, path); }, "Error", QMessageBox::Critical, QMessageBox::Ok},
        {[&] { EXPECT_FALSE(form1->Engine().Confirm(path)); }, "Confirm", QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No},
        {[&] { RunGuarded(nullptr, [&] { throw Error(path); }); }, "Tarnex Fast", QMessageBox::Critical,
         QMessageBox::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ModalScript script;
        script.Escape();
        c.show();
        ASSERT_EQ(script.Boxes().size(), 1u);
        const SeenBox& box = script.Boxes()[0];
        EXPECT_EQ(box.format, Qt::PlainText);
        EXPECT_TRUE(box.text.startsWith(QString::fromStdString(path)));
        EXPECT_EQ(box.title, QString::fromLatin1(c.title));
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.buttons, c.buttons);
    }
}

TEST_F(MessagesTest, UnhandledFailuresAreReportedEndingInAFullStop)
{
    struct Case {
        std::function<void()> fail;
        const char* shown;
    };
    const Case cases[] = {
        {[] { throw Error("Cannot open clipboard"); }, "Cannot open clipboard."},
        {[] { throw Error("Already ends."); }, "Already ends."},
        {[] { throw std::runtime_error("No space left on device"); }, "No space left on device."},
        {[] { throw 42; }, "Unexpected error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        ModalScript script;
        script.Answer(QMessageBox::Ok);
        EXPECT_FALSE(RunGuarded(nullptr, c.fail));
        ASSERT_EQ(script.Boxes().size(), 1u);
        EXPECT_EQ(script.Boxes()[0].title, QStringLiteral("Tarnex Fast"));
        EXPECT_EQ(script.Boxes()[0].text, QString::fromLatin1(c.shown));
    }
}

// An exception thrown from any event handler stops at the application object.
TEST_F(MessagesTest, AnExceptionNeverCrossesTheEventLoop)
{
    class Thrower : public QObject {
    public:
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::User)
                throw Error("Lost in an event");
            return QObject::event(e);
        }
    } thrower;
    ModalScript script;
    script.Answer(QMessageBox::Ok);
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower);
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].text, QStringLiteral("Lost in an event."));
}

} // namespace
} // namespace tarnex::test
