#include "ui/components/CaptBtn.h"

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

using tarnex::TCaptionButton;

namespace {

TEST(CaptionButtonDeathTest, HitCodesCountFrom666ForTheWholeProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fresh process, so that no button was built before these two.
    EXPECT_EXIT(
        {
            QWidget first;
            QWidget second;
            TCaptionButton a(&first);
            TCaptionButton b(&second);
            std::exit(a.HitCode() == 666 && b.HitCode() == 667 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

struct Window {
    QWidget form;
    TCaptionButton* button = new TCaptionButton(&form);
    int clicks = 0;

    Window()
    {
        form.resize(391, 281);
        button->SetRightMargin(70);
        button->OnClick = [this](TCaptionButton* sender) {
            EXPECT_EQ(sender, button);
            ++clicks;
        };
    }
};

// Mouse script on the button: P press, R release, D double-click press,
// O move off the button, I move back over it, r right press and release.
void Play(QWidget* face, const std::string& script)
{
    const QPoint inside(5, 5);
    const QPoint outside(-30, 5);
    for (const char step : script) {
        switch (step) {
        case 'P': QTest::mousePress(face, Qt::LeftButton, {}, inside); break;
        case 'D': QTest::mouseDClick(face, Qt::LeftButton, {}, inside); break;
        case 'R': QTest::mouseRelease(face, Qt::LeftButton, {}, inside); break;
        case 'O': QTest::mouseMove(face, outside); break;
        case 'I': QTest::mouseMove(face, inside); break;
        case 'r': QTest::mouseClick(face, Qt::RightButton, {}, inside); break;
        default: FAIL() << step;
        }
    }
}

struct ClickCase {
    const char* name;
    std::string script;
    int clicks;
};

std::ostream& operator<<(std::ostream& os, const ClickCase& c) { return os << c.name; }

class CaptionButtonClicks : public testing::TestWithParam<ClickCase> {};

TEST_P(CaptionButtonClicks, RaisesOnClickOnlyForAPressReleasedOverIt)
{
    Window window;
    window.form.show();
    Play(window.button->Face(), GetParam().script);
    EXPECT_EQ(window.clicks, GetParam().clicks);
    EXPECT_FALSE(window.button->DrawnPressed());
    EXPECT_FALSE(window.button->Captured());
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, CaptionButtonClicks,
    testing::Values(ClickCase{"PressRelease", "PR", 1},
                    ClickCase{"ReleasedOffTheButton", "POR", 0},
                    ClickCase{"OffAndBackBeforeRelease", "POIR", 1},
                    ClickCase{"DoubleClickIsTwoClicks", "PRDR", 2},
                    ClickCase{"ReleaseWithoutPress", "R", 0},
                    ClickCase{"MovingWithoutPressDoesNothing", "OIR", 0},
                    ClickCase{"RightButtonIgnored", "r", 0}),
    [](const testing::TestParamInfo<ClickCase>& row) { return std::string(row.param.name); });

TEST(CaptionButton, PressedWhileHeldRaisedWhenLeft)
{
    Window window;
    window.form.show();
    QWidget* face = window.button->Face();
    Play(face, "P");
    EXPECT_TRUE(window.button->DrawnPressed());
    EXPECT_TRUE(window.button->Captured());
    Play(face, "O");
    EXPECT_FALSE(window.button->DrawnPressed());
    EXPECT_TRUE(window.button->Captured());
    Play(face, "I");
    EXPECT_TRUE(window.button->DrawnPressed());
}

TEST(CaptionButton, SitsRightMarginFromTheRightEdge)
{
    Window window;
    window.form.show();
    QWidget* face = window.button->Face();
    EXPECT_EQ(face->parentWidget(), &window.form);
    EXPECT_EQ(face->x(), 391 - 70);
    EXPECT_EQ(face->size(), QSize(19, 19));
    window.form.resize(500, 300);
    EXPECT_EQ(face->x(), 500 - 70);
    window.button->SetRightMargin(30);
    EXPECT_EQ(face->x(), 500 - 30);

    // Widgets added to the window later do not cover it.
    auto* late = new QWidget(&window.form);
    late->setGeometry(0, 0, 500, 300);
    late->show();
    EXPECT_EQ(window.form.childAt(face->geometry().center()), face);
}

TEST(CaptionButton, VisibleSwitchesTheButtonAtOnce)
{
    Window window;
    window.form.show();
    window.button->SetVisible(false);
    EXPECT_FALSE(window.button->Face()->isVisible());
    window.button->SetVisible(true);
    EXPECT_TRUE(window.button->Face()->isVisible());
}

QRgb PixelAt(QWidget* face, int x, int y)
{
    return face->grab().toImage().pixel(x, y) & 0xFFFFFFu;
}

TEST(CaptionButton, BevelAndPictureFollowThePressedLook)
{
    Window window;
    QPixmap red(8, 8);
    red.fill(QColor(0xFF, 0x00, 0x00));
    window.button->SetGlyph(red);
    EXPECT_EQ(window.button->Glyph().size(), QSize(8, 8));
    window.form.show();
    QWidget* face = window.button->Face();

    // Raised: light top-left, black bottom-right, picture one pixel in and
    // stretched to 16 x 16.
    EXPECT_EQ(PixelAt(face, 18, 18), 0x000000u);
    EXPECT_EQ(PixelAt(face, 17, 9), 0x808080u);
    EXPECT_EQ(PixelAt(face, 1, 1), 0xFF0000u);
    EXPECT_EQ(PixelAt(face, 16, 16), 0xFF0000u);

    Play(face, "P");
    EXPECT_EQ(PixelAt(face, 0, 0), 0x000000u);
    EXPECT_EQ(PixelAt(face, 18, 18), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(face, 1, 1), 0x808080u);
    EXPECT_EQ(PixelAt(face, 2, 2), 0xFF0000u);
    EXPECT_EQ(PixelAt(face, 17, 17), 0xFF0000u);
    Play(face, "R");
    EXPECT_EQ(PixelAt(face, 1, 1), 0xFF0000u);
}

TEST(CaptionButton, GoesFromTheWindowWithTheComponent)
{
    QWidget form;
    auto* button = new TCaptionButton(&form);
    QWidget* face = button->Face();
    EXPECT_EQ(form.findChild<QWidget*>(QStringLiteral("CaptionButtonFace")), face);
    delete button;
    EXPECT_EQ(form.findChild<QWidget*>(QStringLiteral("CaptionButtonFace")), nullptr);
}

} // namespace
