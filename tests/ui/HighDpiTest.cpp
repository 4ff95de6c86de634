// Pictures drawn for the screen's scale, not blown up from their smallest
// size. These run once at the normal scale and once more at a scale of 2.
#include "Fixture.h"

#include "ui/Artwork.h"
#include "ui/components/CaptBtn.h"

#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QToolButton>

namespace tarnex::test {
namespace {

using HighDpiTest = WindowsTest;

// The widget as the screen shows it, pixel for pixel.
QImage OnScreen(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Drawn(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST_F(HighDpiTest, TheInformationPictureIsDrawnForTheScreensScale)
{
    form2->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form2.get()));
    const qreal ratio = form2->devicePixelRatioF();
    EXPECT_EQ(form2->Image1->pixmap().deviceIndependentSize(), QSizeF(234, 210));
    EXPECT_EQ(form2->Image1->pixmap().devicePixelRatio(), ratio);
    EXPECT_EQ(OnScreen(form2->Image1), Drawn(DrawInfoPicture(ratio)));
    form2->close();
}

TEST_F(HighDpiTest, TheCaptionButtonsGlyphIsDrawnForTheScreensScale)
{
    form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
    QWidget* face = form1->CaptionButton1->Face();
    const qreal ratio = face->devicePixelRatioF();
    const int pixels = qRound(16 * ratio);
    const int offset = qRound(1 * ratio); // raised: the glyph sits one pixel in
    const QImage glyph = OnScreen(face).copy(offset, offset, pixels, pixels);
    EXPECT_EQ(glyph.size(), QSize(pixels, pixels));
    // Drawn on the button's face colour, as the face paints it.
    QImage expected(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    expected.fill(face->palette().color(QPalette::Button));
    {
        QPainter p(&expected);
        p.drawImage(0, 0, Drawn(DrawInfoGlyph(pixels)));
    }
    EXPECT_EQ(glyph, expected);
}

TEST_F(HighDpiTest, TheBrowseGlyphHasAPictureForTheScreensScale)
{
    const qreal ratio = form1->SpeedButton1->devicePixelRatioF();
    const QPixmap shown = form1->SpeedButton1->icon().pixmap(QSize(16, 16), ratio);
    EXPECT_EQ(shown.size(), QSize(qRound(16 * ratio), qRound(16 * ratio)));
    EXPECT_EQ(Drawn(shown), Drawn(DrawBrowseGlyph(qRound(16 * ratio))));
}

} // namespace
} // namespace tarnex::test
