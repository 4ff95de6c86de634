#include "ui/Artwork.h"

#include <QFont>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace tarnex {
namespace {

// Draws the padlock into the square `r` (in a 64 × 64 design grid scaled to r).
void PaintPadlock(QPainter& p, const QRectF& r, bool tile)
{
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 64.0, r.height() / 64.0);
    p.setRenderHint(QPainter::Antialiasing);

    if (tile) {
        QLinearGradient bg(0, 0, 0, 64);
        bg.setColorAt(0, QColor(0x2f, 0x6f, 0xd0));
        bg.setColorAt(1, QColor(0x17, 0x3a, 0x7a));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(1, 1, 62, 62), 12, 12);
    }

    // Shackle.
    QPen shackle(QColor(0xe6, 0xea, 0xf0), 7, Qt::SolidLine, Qt::FlatCap);
    p.setPen(shackle);
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.moveTo(20, 32);
    arc.lineTo(20, 22);
    arc.arcTo(QRectF(20, 9, 24, 26), 180, -180);
    arc.lineTo(44, 32);
    p.drawPath(arc);

    // Body.
    QLinearGradient body(0, 28, 0, 56);
    body.setColorAt(0, QColor(0xff, 0xd5, 0x4a));
    body.setColorAt(1, QColor(0xd9, 0x9a, 0x12));
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 1.5));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(12, 29, 40, 28), 5, 5);

    // Keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x25, 0x00));
    p.drawEllipse(QPointF(32, 40), 4.5, 4.5);
    QPainterPath slot;
    slot.moveTo(30, 42);
    slot.lineTo(34, 42);
    slot.lineTo(35.5, 51);
    slot.lineTo(28.5, 51);
    slot.closeSubpath();
    p.drawPath(slot);
    p.restore();
}

} // namespace

QPixmap DrawAppIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    PaintPadlock(p, QRectF(0, 0, size, size), true);
    return pm;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawAppIcon(size));
    return icon;
}

namespace {

// Pixel sizes of a 16-pixel glyph at the screen scales desktops use.
constexpr int kGlyphSizes[] = {16, 20, 24, 32, 40, 48, 64};

} // namespace

QPixmap DrawBrowseGlyph(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / 16.0, size / 16.0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1));
    // Back of the folder with its tab.
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(8, 5.5);
    back.lineTo(13.5, 5.5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(QColor(0xe8, 0xb8, 0x30));
    p.drawPath(back);
    // Open front flap.
    QPainterPath front;
    front.moveTo(3.5, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.lineTo(1.5, 13.5);
    front.closeSubpath();
    p.setBrush(QColor(0xff, 0xdc, 0x6a));
    p.drawPath(front);
    return pm;
}

QPixmap DrawInfoGlyph(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / 16.0, size / 16.0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x17, 0x3a, 0x7a), 1));
    p.setBrush(QColor(0x2f, 0x6f, 0xd0));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6.6, 3, 2.8, 2.8));
    p.drawRoundedRect(QRectF(6.8, 6.8, 2.4, 6.4), 0.8, 0.8);
    return pm;
}

QIcon BrowseGlyph()
{
    QIcon icon;
    for (int size : kGlyphSizes)
        icon.addPixmap(DrawBrowseGlyph(size));
    return icon;
}

QIcon InfoGlyph()
{
    QIcon icon;
    for (int size : kGlyphSizes)
        icon.addPixmap(DrawInfoGlyph(size));
    return icon;
}

QPixmap DrawInfoPicture(qreal devicePixelRatio)
{
    constexpr int w = 234;
    constexpr int h = 210;
    QPixmap pm(qRound(w * devicePixelRatio), qRound(h * devicePixelRatio));
    pm.setDevicePixelRatio(devicePixelRatio);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QRadialGradient sky(QPointF(w / 2.0, 70), 170);
    sky.setColorAt(0, QColor(0x1d, 0x3f, 0x7c));
    sky.setColorAt(1, Qt::black);
    p.fillRect(QRect(0, 0, w, h), sky);

    // A ring of faint binary around the lock, for the cipher's sake.
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(9);
    p.setFont(mono);
    p.setPen(QColor(0x4f, 0x7f, 0xc8, 140));
    const char* rows[] = {"01101011 10010110 01011101", "10110100 01101001 11010010",
                          "00111010 11001011 01100101", "11010001 00110110 10011010"};
    for (int i = 0; i < 4; ++i)
        p.drawText(QRect(0, 8 + i * 12, w, 12), Qt::AlignHCenter, QString::fromLatin1(rows[i]));

    PaintPadlock(p, QRectF((w - 84) / 2.0, 48, 84, 84), false);

    QFont title = p.font();
    title.setFamily(QStringLiteral("sans-serif"));
    title.setStyleHint(QFont::SansSerif);
    title.setPixelSize(22);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0xf2, 0xf4, 0xf8));
    p.drawText(QRect(0, 136, w, 28), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Tarnex Fast"));

    QFont small = title;
    small.setBold(false);
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor(0xb8, 0xc8, 0xe0));
    p.drawText(QRect(0, 164, w, 16), Qt::AlignHCenter, QStringLiteral("Version 3.1.1"));
    p.drawText(QRect(0, 180, w, 16), Qt::AlignHCenter, QStringLiteral("Twofish encryption, SHA-1 keys"));
    return pm;
}

} // namespace tarnex

namespace tarnex {

void UseStarMask(QLineEdit* edit)
{
    // The style decides the mask character; a style sheet is the one way to
    // name it for a single box without replacing the style.
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

QFont FormFont()
{
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

} // namespace tarnex
