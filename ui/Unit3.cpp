#include "ui/Unit3.h"

#include "ui/Artwork.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace tarnex {

Tpass* pass = nullptr;

namespace {

constexpr bool IsFillerShaped(const char* s)
{
    int capitals = 0;
    int marks = 0;
    int length = 0;
    for (; *s != '\0'; ++s, ++length) {
        if (*s >= 'A' && *s <= 'Z')
            ++capitals;
        else if (*s > ' ' && *s < 0x7f && !(*s >= '0' && *s <= '9') && !(*s >= 'a' && *s <= 'z'))
            ++marks;
    }
    return length == 41 && capitals == 30 && marks == 11;
}
static_assert(IsFillerShaped(Tpass::kScrubFiller));

} // namespace

Tpass::Tpass(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("pass"));
    setWindowTitle(QStringLiteral("Enter Password"));
    setFont(FormFont());
    setFixedSize(285, 106);
    setModal(true);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // Password echo also keeps the typing out of reach of undo.
    Edit1->setEchoMode(QLineEdit::Password);
    UseStarMask(Edit1);
    Edit1->setGeometry(16, 24, 249, 21);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 64, 75, 22);
    // Enter presses the focused button, and OK when neither has the focus.
    Button1->setAutoDefault(true);
    Button1->setDefault(true);
    Button1->setEnabled(false);

    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(192, 64, 75, 22);
    Button2->setAutoDefault(true);

    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);

    connect(Edit1, &QLineEdit::textChanged, this, &Tpass::Edit1Change);
    connect(Button1, &QPushButton::clicked, this, &Tpass::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tpass::Button2Click);
}

void Tpass::Edit1Change()
{
    Button1->setEnabled(!Edit1->text().isEmpty());
}

void Tpass::Button1Click()
{
    // Enter reaches the default button only while it is enabled, but a
    // programmatic click must not hand over an empty password either.
    if (Edit1->text().isEmpty())
        return;
    if (OnPassword)
        OnPassword(Edit1->text());
    accept();
}

void Tpass::Button2Click()
{
    reject();
}

void Tpass::done(int result)
{
    Scrub();
    QDialog::done(result);
}

void Tpass::Scrub()
{
    // setText also drops the box's undo history.
    Edit1->setText(QString::fromLatin1(kScrubFiller));
    Edit1->setText(QString());
}

void Tpass::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void Tpass::FormShow()
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    Edit1->setFocus(Qt::OtherFocusReason);
}

} // namespace tarnex
