#include "ui/components/CoolTrayIcon.h"
#include "ui/components/TrayPresence.h"

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using tarnex::TCoolTrayIcon;
using tarnex::TMouseButton;
using tarnex::TShiftState;

namespace {

QIcon SolidIcon(QColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The same component on a desktop that has a tray, and with its cycle step
// reachable without waiting for a timer.
class TrayedIcon : public TCoolTrayIcon {
public:
    using TCoolTrayIcon::TCoolTrayIcon;
    using TCoolTrayIcon::CycleStep;

protected:
    bool TrayAvailable() const override { return true; }
};

TEST(CoolTrayIcon, WithoutATrayEveryRequestFailsButIconVisibleFollows)
{
    QWidget form;
    TCoolTrayIcon tray(&form);
    EXPECT_TRUE(tray.IconVisible());
    EXPECT_FALSE(tray.UpdateTray());
    EXPECT_FALSE(tray.RemoveFromTray());
    EXPECT_FALSE(tray.IconVisible());
    EXPECT_FALSE(tray.AddToTray());
    EXPECT_TRUE(tray.IconVisible());
}

TEST(CoolTrayIcon, RequestResultsWithATray)
{
    QWidget form;
    TrayedIcon tray(&form);
    tray.SetIcon(SolidIcon(Qt::blue));
    EXPECT_FALSE(tray.UpdateTray()) << "an update before the icon was added fails";
    EXPECT_TRUE(tray.AddToTray());
    EXPECT_FALSE(tray.AddToTray()) << "the icon is there already";
    EXPECT_TRUE(tray.UpdateTray());
    EXPECT_TRUE(tray.RemoveFromTray());
    EXPECT_FALSE(tray.RemoveFromTray());

    tray.SetDesignPreview(true);
    EXPECT_FALSE(tray.IconVisible()) << "a preview leaves IconVisible alone";
    EXPECT_TRUE(tray.TrayIcon()->isVisible());
    tray.SetDesignPreview(false);
    EXPECT_FALSE(tray.TrayIcon()->isVisible());

    tray.SetIconVisible(true);
    EXPECT_TRUE(tray.TrayIcon()->isVisible());
}

TEST(CoolTrayIcon, TipIsTheHintCutTo63Characters)
{
    struct Row {
        QString hint;
        bool show;
        QString tip;
    };
    const QString sixtyFour = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-_");
    ASSERT_EQ(sixtyFour.size(), 64);
    // A character outside the basic plane is two code units; it is not split.
    const QString astral = QString(62, u'x') + QString::fromUtf8("\xF0\x9F\x94\x92") + u'y';
    const Row rows[] = {
        {QStringLiteral("Tarnex Fast"), true, QStringLiteral("Tarnex Fast")},
        {QStringLiteral("Tarnex Fast"), false, QString()},
        {QString(), true, QString()},
        {sixtyFour, true, sixtyFour.left(63)},
        {sixtyFour.left(63), true, sixtyFour.left(63)},
        {astral, true, QString(62, u'x')},
    };
    QWidget form;
    TrayedIcon tray(&form);
    ASSERT_TRUE(tray.AddToTray());
    for (const Row& row : rows) {
        tray.SetShowHint(row.show);
        tray.SetHint(row.hint);
        EXPECT_EQ(tray.TipText(), row.tip) << row.hint.toStdString();
        EXPECT_EQ(tray.TrayIcon()->toolTip(), row.tip) << row.hint.toStdString();
    }
}

TEST(CoolTrayIcon, StartMinimizedKeepsTheWindowHiddenWhenThereIsATray)
{
    QWidget form;
    TrayedIcon tray(&form);
    tray.SetIcon(SolidIcon(Qt::blue));
    tray.SetStartMinimized(true);
    tray.SetIconVisible(false);
    tray.SetIconVisible(true);
    tray.Loaded();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(tray.TrayIcon()->isVisible());

    tray.ShowMainWindow();
    EXPECT_TRUE(form.isVisible());
}

TEST(CoolTrayIcon, StartMinimizedShowsTheWindowWhenThereIsNoTray)
{
    QWidget form;
    TCoolTrayIcon tray(&form);
    tray.SetStartMinimized(true);
    tray.SetMinimizeToTray(true);
    tray.Loaded();
    EXPECT_TRUE(form.isVisible()) << "nothing else could bring the program back";

    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());
}

TEST(CoolTrayIcon, MinimizingHidesToTheTrayAndShowingRestores)
{
    QWidget form;
    TrayedIcon tray(&form);
    tray.SetIcon(SolidIcon(Qt::blue));
    tray.SetMinimizeToTray(true);
    tray.SetIconVisible(false);
    form.show();

    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(tray.IconVisible()) << "the icon comes back to reach the window";
    EXPECT_TRUE(tray.TrayIcon()->isVisible());

    tray.ShowMainWindow();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());

    tray.SetMinimizeToTray(false);
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
}

// The desktop's tray comes after the program and goes again: the icon joins
// it, minimising hides to it from then on, and when it goes the hidden window
// comes back, since nothing else could reach it.
TEST(CoolTrayIcon, FollowsATrayThatComesAndGoes)
{
    QWidget form;
    TCoolTrayIcon tray(&form);
    tray.SetIcon(SolidIcon(Qt::blue));
    tray.SetStartMinimized(true);
    tray.SetMinimizeToTray(true);
    std::vector<bool> changes;
    tray.OnTrayChange = [&](TCoolTrayIcon*, bool available) { changes.push_back(available); };
    tray.Presence()->Set(false, false);
    tray.Loaded();
    ASSERT_TRUE(form.isVisible()) << "no tray at start: the window shows";
    EXPECT_EQ(tray.TrayIcon(), nullptr) << "no icon is made before there is a tray to take it";

    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible()) << "without a tray minimising minimises";
    tray.Presence()->Set(false, true);
    QCoreApplication::processEvents();
    ASSERT_NE(tray.TrayIcon(), nullptr);
    EXPECT_TRUE(tray.TrayIcon()->isVisible());
    EXPECT_FALSE(form.isVisible()) << "the window minimised before the tray came goes to it";

    tray.Presence()->Set(false, false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(tray.TrayIcon()->isVisible());
    EXPECT_TRUE(tray.IconVisible()) << "the icon is still wanted, for the next tray";
    tray.HideMainWindow();
    EXPECT_TRUE(form.isVisible()) << "hiding without a tray would lose the window";

    tray.Presence()->Set(false, true);
    EXPECT_TRUE(tray.TrayIcon()->isVisible());
    tray.ShowMainWindow();
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible()) << "with the tray back, minimising hides to it";

    // Qt keeps the kind of tray it first used; a status-notifier host alone
    // cannot show an icon that went by XEmbed.
    tray.Presence()->Set(true, false, QStringLiteral(":1.7"));
    EXPECT_FALSE(tray.TrayAvailable());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));
}

struct NotificationCase {
    const char* name;
    QSystemTrayIcon::ActivationReason reason;
    bool leftPopup;
    bool enabled;
    std::vector<std::string> events;
    bool menuShown;
    bool defaultItemRun;
};

std::ostream& operator<<(std::ostream& os, const NotificationCase& c) { return os << c.name; }

class TrayNotifications : public testing::TestWithParam<NotificationCase> {};

TEST_P(TrayNotifications, RaiseEventsAndOpenTheMenu)
{
    const NotificationCase& c = GetParam();
    QWidget form;
    QMenu menu;
    menu.addAction(QStringLiteral("E&xit"));
    QAction* open = menu.addAction(QStringLiteral("&Open"));
    menu.setDefaultAction(open);
    bool defaultRun = false;
    QObject::connect(open, &QAction::triggered, [&] { defaultRun = true; });

    TrayedIcon tray(&form);
    ASSERT_TRUE(tray.AddToTray());
    tray.SetPopupMenu(&menu);
    tray.SetLeftPopup(c.leftPopup);
    tray.SetEnabled(c.enabled);
    EXPECT_EQ(tray.TrayIcon()->contextMenu(), c.enabled ? &menu : nullptr) << "a disabled icon offers no menu";
    std::vector<std::string> events;
    auto name = [](TMouseButton b) {
        return b == TMouseButton::mbLeft ? std::string("left") : b == TMouseButton::mbRight ? "right" : "middle";
    };
    tray.OnClick = [&](TCoolTrayIcon*) { events.push_back("click"); };
    tray.OnDblClick = [&](TCoolTrayIcon*) { events.push_back("dblclick"); };
    tray.OnMouseDown = [&](TCoolTrayIcon*, TMouseButton b, TShiftState shift, int, int) {
        const tarnex::TShiftStateFlag flag = b == TMouseButton::mbLeft    ? tarnex::ssLeft
                                             : b == TMouseButton::mbRight ? tarnex::ssRight
                                                                          : tarnex::ssMiddle;
        EXPECT_TRUE(shift.testFlag(flag));
        events.push_back("down " + name(b) + (menu.isVisible() ? " (menu open)" : ""));
    };
    tray.OnMouseUp = [&](TCoolTrayIcon*, TMouseButton b, TShiftState, int, int) {
        events.push_back("up " + name(b));
    };

    emit tray.TrayIcon()->activated(c.reason);

    EXPECT_EQ(events, c.events);
    EXPECT_EQ(menu.isVisible(), c.menuShown);
    EXPECT_EQ(defaultRun, c.defaultItemRun);
    menu.hide();
}

INSTANTIATE_TEST_SUITE_P(
    Icon, TrayNotifications,
    testing::Values(
        NotificationCase{"LeftPressOpensMenuWithLeftPopup", QSystemTrayIcon::Trigger, true, true,
                         {"down left", "click", "up left"}, true, false},
        NotificationCase{"LeftPressOnlyClicksWithoutLeftPopup", QSystemTrayIcon::Trigger, false, true,
                         {"down left", "click", "up left"}, false, false},
        // The right button's menu is the icon's context menu, which the tray
        // itself shows.
        NotificationCase{"RightPressLeavesTheMenuToTheTray", QSystemTrayIcon::Context, false, true,
                         {"down right", "up right"}, false, false},
        NotificationCase{"MiddlePressOnlyEvents", QSystemTrayIcon::MiddleClick, true, true,
                         {"down middle", "up middle"}, false, false},
        NotificationCase{"DoubleClickRunsDefaultItem", QSystemTrayIcon::DoubleClick, false, true,
                         {"dblclick"}, false, true},
        NotificationCase{"DoubleClickWithLeftPopupRunsNothing", QSystemTrayIcon::DoubleClick, true, true,
                         {"dblclick"}, false, false},
        NotificationCase{"DisabledIgnoresEverything", QSystemTrayIcon::Context, true, false, {}, false, false}),
    [](const testing::TestParamInfo<NotificationCase>& row) { return std::string(row.param.name); });

TEST(CoolTrayIcon, DoubleClickWithoutDefaultItemRunsNothing)
{
    QWidget form;
    QMenu menu;
    bool run = false;
    QObject::connect(menu.addAction(QStringLiteral("&Open")), &QAction::triggered, [&] { run = true; });
    TrayedIcon tray(&form);
    ASSERT_TRUE(tray.AddToTray());
    tray.SetPopupMenu(&menu);
    emit tray.TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(run);
}

TEST(CoolTrayIcon, MenuReferenceClearedWhenTheMenuGoes)
{
    QWidget form;
    TrayedIcon tray(&form);
    ASSERT_TRUE(tray.AddToTray());
    auto* menu = new QMenu;
    tray.SetPopupMenu(menu);
    delete menu;
    EXPECT_EQ(tray.PopupMenu(), nullptr);
    EXPECT_EQ(tray.TrayIcon()->contextMenu(), nullptr);
    emit tray.TrayIcon()->activated(QSystemTrayIcon::Context);
}

TEST(CoolTrayIcon, CyclesThroughTheIconListInOrder)
{
    QWidget form;
    TrayedIcon tray(&form);
    const QList<QIcon> icons = {SolidIcon(Qt::red), SolidIcon(Qt::green), SolidIcon(Qt::blue)};
    tray.SetIconList(icons);
    std::vector<int> placed;
    tray.OnCycle = [&](TCoolTrayIcon* sender, std::int32_t current) {
        EXPECT_EQ(sender->Icon().cacheKey(), icons[current].cacheKey()) << "placed before it is reported";
        placed.push_back(current);
    };
    tray.SetCycleIcons(true);
    for (int i = 0; i < 5; ++i)
        tray.CycleStep();
    EXPECT_EQ(placed, (std::vector<int>{0, 1, 2, 0, 1}));

    tray.SetCycleIcons(true);
    tray.CycleStep();
    EXPECT_EQ(placed.back(), 0) << "switching cycling on starts from the first icon";

    tray.SetIconList({});
    tray.CycleStep();
    EXPECT_EQ(placed.size(), 6u);
}

TEST(CoolTrayIcon, TimerRunsOnlyWhenCyclingWithAnInterval)
{
    QWidget form;
    TCoolTrayIcon tray(&form);
    auto* timer = tray.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    tray.SetCycleIcons(true);
    EXPECT_FALSE(timer->isActive()) << "a zero interval never advances";
    tray.SetCycleInterval(250);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 250);
    tray.SetCycleIcons(false);
    EXPECT_FALSE(timer->isActive());
}

} // namespace
