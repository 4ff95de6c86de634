#include "ui/Unit2.h"

#include "ui/Artwork.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace tarnex {

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Info..."));
    setFont(FormFont());
    setFixedSize(234, 248);
    setModal(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 234, 210);
    DrawPicture();

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, -1, 234, 217);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette text = Memo1->palette();
    text.setColor(QPalette::Base, Qt::black);
    text.setColor(QPalette::Text, Qt::white);
    Memo1->setPalette(text);
    QFont memoFont(QStringLiteral("sans-serif"));
    memoFont.setStyleHint(QFont::SansSerif);
    memoFont.setPixelSize(12);
    Memo1->setFont(memoFont);
    Memo1->setPlainText(AboutAndWarrantyText());
    Memo1->hide();

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(184, 224, 35, 21);

    Button2 = new QPushButton(QString::fromLatin1(kWarrantyCaption), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(8, 224, 153, 21);
    // Enter presses whichever of the two buttons has the focus.
    Button1->setAutoDefault(true);
    Button2->setAutoDefault(true);

    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
}

void TForm2::Button2Click()
{
    // The caption alone decides, not whether the text is showing.
    if (Button2->text() == QString::fromLatin1(kWarrantyCaption)) {
        Memo1->show();
        Button2->setText(QString::fromLatin1(kAboutCaption));
    } else {
        Memo1->hide();
        Button2->setText(QString::fromLatin1(kWarrantyCaption));
    }
}

void TForm2::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm2::FormClose()
{
    Memo1->hide();
}

void TForm2::DrawPicture()
{
    const qreal ratio = devicePixelRatioF();
    if (Image1->pixmap().isNull() || Image1->pixmap().devicePixelRatio() != ratio)
        Image1->setPixmap(DrawInfoPicture(ratio));
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::event(QEvent* event)
{
    // Moved to a screen of another scale.
    if (event->type() == QEvent::ScreenChangeInternal)
        DrawPicture();
    return QDialog::event(event);
}

void TForm2::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        DrawPicture();
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        Button1->setFocus(Qt::OtherFocusReason);
        Memo1->moveCursor(QTextCursor::Start);
    }
    QDialog::showEvent(event);
}

QString AboutAndWarrantyText()
{
    return QStringLiteral(
        "TARNEX FAST 3.1.1\n"
        "\n"
        "Tarnex Fast keeps your files and your clipboard text private with a password, "
        "and destroys files you no longer want so that they cannot be brought back.\n"
        "\n"
        "Encryption uses the Twofish block cipher. The key is the SHA-1 digest of your "
        "password, so every character of the password counts. An encrypted file has "
        "exactly the size of the original and carries no header: nothing in it tells "
        "whether a password is right. Keep your passwords safe; a lost password cannot "
        "be recovered by anyone, including us.\n"
        "\n"
        "Wiping renames a file, overwrites it several times with zeros, ones and "
        "random-looking cipher output, and then deletes it.\n"
        "\n"
        "NO WARRANTY\n"
        "\n"
        "This program is provided as it is, without any warranty of any kind, express "
        "or implied, including but not limited to the warranties of merchantability, "
        "fitness for a particular purpose and non-infringement. You use it entirely "
        "at your own risk.\n"
        "\n"
        "In no event shall the authors be liable for any claim, damages, loss of data "
        "or other liability, whether in an action of contract, tort or otherwise, "
        "arising from, out of or in connection with the program or its use.\n"
        "\n"
        "Always keep a copy of important files before you encrypt or wipe them. A file "
        "that has been wiped is gone for good.\n"
        "\n"
        "TERMS OF USE\n"
        "\n"
        "You may use this program free of charge for any non-commercial purpose.\n"
        "\n"
        "You may copy and give away this program, free of charge and unchanged, as "
        "long as this text goes with it.\n"
        "\n"
        "You may not sell this program or include it in any product or service that "
        "is sold, without written permission.\n"
        "\n"
        "Thank you for using Tarnex Fast.\n");
}

} // namespace tarnex
