// What the window shows while a command works, and what it does with the
// user's input meanwhile.
#include "Fixture.h"
#include "ModalScript.h"

#include "ui/Messages.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <vector>

namespace tarnex::test {
namespace {

using FeedbackTest = WindowsTest;

QByteArray Pattern(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 31 + i / 4096);
    return data;
}

// Encrypt and Decrypt move the bar through each file under the busy cursor;
// at the end, with the "All done" box under the normal cursor, it is back
// to 0.
TEST_F(FeedbackTest, FileCommandsShowTheFilesProgressUnderTheBusyCursor)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("big.bin"));
    WriteFile(plain, Pattern(5 * 1024 * 1024 + 123));

    for (QPushButton* button : {form1->Button4, form1->Button5}) {
        SCOPED_TRACE(button->objectName().toStdString());
        std::vector<int> values;
        std::vector<bool> busy;
        auto watch = QObject::connect(form1->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
            values.push_back(v);
            const QCursor* cursor = QApplication::overrideCursor();
            busy.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        });
        bool normalCursorInBox = false;
        ModalScript script;
        script.Then([&](QWidget* modal) {
            normalCursorInBox = QApplication::overrideCursor() == nullptr;
            qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
        });
        form1->AddRow(button == form1->Button4 ? plain : plain + QStringLiteral(".KVX"));
        form1->Edit1->setText(QStringLiteral("pw"));
        button->click();
        QObject::disconnect(watch);

        ASSERT_GE(values.size(), 3u);
        for (std::size_t i = 1; i + 1 < values.size(); ++i)
            EXPECT_GT(values[i], values[i - 1]);
        EXPECT_GE(values[values.size() - 2], 50);
        EXPECT_LE(values[values.size() - 2], 100);
        EXPECT_EQ(values.back(), 0);
        for (std::size_t i = 0; i + 1 < busy.size(); ++i)
            EXPECT_TRUE(busy[i]) << "at " << values[i];
        EXPECT_TRUE(normalCursorInBox);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(form1->ProgressBar1->maximum(), 100);
    }
    QFile dec(dir.filePath(QStringLiteral("big.bin.dec")));
    ASSERT_TRUE(dec.open(QIODevice::ReadOnly));
    EXPECT_EQ(dec.readAll(), Pattern(5 * 1024 * 1024 + 123));
}

// While the command works the window keeps handling its events, but the
// user's keys and clicks are dropped, not kept for later, and a close request
// waits until the output is whole.
TEST_F(FeedbackTest, WhileACommandWorksInputIsDroppedAndACloseWaitsForItsEnd)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("big.bin"));
    WriteFile(plain, Pattern(6 * 1024 * 1024));
    form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
    form1->AddRow(plain);
    form1->Edit1->setText(QStringLiteral("pw"));

    // Stands in for the program's end, which would end this test program.
    struct CloseWatch : QObject {
        TForm1* form;
        bool closedWhileBusy = false;
        bool closedAfter = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::Close)
                return false;
            if (form->CommandRunning()) {
                closedWhileBusy = true;
                return false;
            }
            closedAfter = true;
            return true;
        }
    } closeWatch;
    closeWatch.form = form1.get();
    form1->installEventFilter(&closeWatch);

    bool posted = false;
    bool visibleAfterClose = false;
    int ticks = 0;
    int ticksWhileWorking = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    auto watch = QObject::connect(form1->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        if (v <= 0 || v >= 100)
            return;
        if (!posted) {
            posted = true;
            ticker.start(0);
            const QPointF at(form1->Button2->rect().center());
            const QPointF global(form1->Button2->mapToGlobal(at.toPoint()));
            QCoreApplication::postEvent(form1->Button2, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(form1->Button2, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
            QCoreApplication::postEvent(form1->Edit2, new QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
            QCoreApplication::postEvent(form1.get(), new QCloseEvent);
        } else {
            visibleAfterClose = form1->isVisible();
            ticksWhileWorking = ticks;
        }
    });
    QString boxText;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        boxText = qobject_cast<QMessageBox*>(modal)->text();
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click();
    });
    form1->Button4->click();
    QObject::disconnect(watch);
    form1->removeEventFilter(&closeWatch);

    EXPECT_TRUE(posted);
    EXPECT_GT(ticksWhileWorking, 0) << "no event was handled while the command worked";
    EXPECT_TRUE(closeWatch.closedWhileBusy);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(boxText, QStringLiteral("All done, 1 file(s) encrypted."));
    EXPECT_EQ(QFileInfo(plain + QStringLiteral(".KVX")).size(), 6 * 1024 * 1024);
    EXPECT_EQ(form1->Edit2->text(), QStringLiteral("3")) << "a key typed meanwhile reached the box";
    EXPECT_TRUE(closeWatch.closedAfter) << "the close request was lost";
}

TEST_F(FeedbackTest, WipeFeedbackIsPlainTextAndAnIdleBarIsEmpty)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("<b>BOLD"));
    WriteFile(file, QByteArray(10000, 'x'));
    form1->AddRow(file);
    form1->Edit2->setText(QStringLiteral("1"));
    form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));

    QString status;
    QString label;
    bool plain = false;
    auto watch = QObject::connect(form1->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        if (v != 1)
            return;
        status = form1->StatusText->text();
        label = form1->Label1->text();
        plain = form1->StatusText->textFormat() == Qt::PlainText && form1->Label1->textFormat() == Qt::PlainText;
    });
    ModalScript script;
    script.Answer(QMessageBox::Yes).Answer(QMessageBox::Ok);
    form1->Button1->click();
    QObject::disconnect(watch);
    EXPECT_EQ(status, QStringLiteral("Working: <b>BOLD pass #: 1"));
    EXPECT_EQ(label, QStringLiteral("Pass #:1"));
    EXPECT_TRUE(plain);

    // After a wipe of no passes the bar is empty and still, not a busy
    // animation.
    const QImage empty = form1->ProgressBar1->grab().toImage();
    WriteFile(file, "y");
    form1->AddRow(file);
    form1->Edit2->setText(QStringLiteral("0"));
    script.Answer(QMessageBox::Yes).Answer(QMessageBox::Ok);
    form1->Button1->click();
    ASSERT_FALSE(QFile::exists(file));
    EXPECT_EQ(form1->ProgressBar1->maximum(), 0);
    EXPECT_EQ(form1->ProgressBar1->value(), 0);
    const QImage first = form1->ProgressBar1->grab().toImage();
    QTest::qWait(150);
    EXPECT_EQ(form1->ProgressBar1->grab().toImage(), first);
    EXPECT_EQ(first, empty);
}

// The wipe works under the busy cursor, but a file it cannot get is reported
// in a box under the normal one, and the next file is wiped busy again.
TEST_F(FeedbackTest, TheWipesOpenFailureBoxHasTheNormalCursor)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const QString present = dir.filePath(QStringLiteral("present.txt"));
    WriteFile(present, QByteArray(10000, 'x'));
    form1->AddRow(missing);
    form1->AddRow(present);
    form1->Edit2->setText(QStringLiteral("1"));

    std::vector<bool> busyInPass;
    auto watch = QObject::connect(form1->ProgressBar1, &QProgressBar::valueChanged, [&](int) {
        const QCursor* cursor = QApplication::overrideCursor();
        busyInPass.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
    });
    std::vector<QString> texts;
    std::vector<bool> normalInBox;
    const auto record = [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        texts.push_back(box->text());
        normalInBox.push_back(QApplication::overrideCursor() == nullptr);
        box->button(QMessageBox::Ok)->click();
    };
    ModalScript script;
    script.Answer(QMessageBox::Yes).Then(record).Then(record);
    form1->Button1->click();
    QObject::disconnect(watch);

    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Unable to get the file to erase: "))) << texts[0].toStdString();
    EXPECT_EQ(texts[1], QStringLiteral("File(s) wiped..."));
    EXPECT_EQ(normalInBox, (std::vector<bool>{true, true}));
    ASSERT_FALSE(busyInPass.empty());
    EXPECT_TRUE(busyInPass.front()) << "the next file was not wiped under the busy cursor";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(QFile::exists(present));
}

// Title bars add the window's icon and buttons to the caption, so a box with
// a short text must still be wide enough for its caption.
TEST_F(FeedbackTest, BoxesAreWideEnoughForTheirCaption)
{
    const std::function<void()> boxes[] = {
        [] { ShowPlainMessage(nullptr, QStringLiteral("File(s) wiped...")); },
        [] { ShowInformationBox(nullptr, QStringLiteral("x")); },
        [] { ShowErrorBox(nullptr, QStringLiteral("x")); },
        [] { ConfirmBox(nullptr, QStringLiteral("x")); },
    };
    for (const auto& show : boxes) {
        int width = 0;
        QString caption;
        ModalScript script;
        script.Then([&](QWidget* modal) {
            width = modal->width();
            caption = modal->windowTitle();
            qobject_cast<QDialog*>(modal)->reject();
        });
        show();
        SCOPED_TRACE(caption.toStdString());
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(caption) + 3 * 24 + 16);
    }
}

} // namespace
} // namespace tarnex::test
