#include "ui/components/Formenh.h"

#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using tarnex::EFormEnhanceError;
using tarnex::TFormEnhance;
using tarnex::TSize;

namespace {

std::string ConstructionError(QWidget* owner)
{
    try {
        new TFormEnhance(owner);
    } catch (const EFormEnhanceError& e) {
        return e.what();
    }
    return "no error";
}

TEST(FormEnhance, RefusesAChildWidgetAndASecondComponent)
{
    QWidget form;
    QWidget child(&form);
    EXPECT_EQ(ConstructionError(nullptr), "Control parent must be a form!");
    EXPECT_EQ(ConstructionError(&child), "Control parent must be a form!");
    EXPECT_EQ(ConstructionError(&form), "no error");
    EXPECT_EQ(ConstructionError(&form), "The form already contains a TFormEnhance component!");
    EXPECT_EQ(form.findChildren<TFormEnhance*>().size(), 1);
}

// A window with a line edit in it, as the main window has.
struct DropWindow {
    QWidget form;
    QLineEdit* edit = new QLineEdit(&form);
    TFormEnhance* enhance = new TFormEnhance(&form);
    std::vector<std::pair<QList<QByteArray>, QPoint>> drops;

    DropWindow()
    {
        form.resize(400, 300);
        edit->setGeometry(100, 50, 80, 20);
        enhance->SetSavePlacement(false);
        enhance->OnDropFiles = [this](const QList<QByteArray>& files, const QPoint& pos) {
            drops.emplace_back(files, pos);
        };
        enhance->Loaded();
    }

    // Returns whether the drop was taken.
    bool Drop(QWidget* target, const QList<QUrl>& urls, QPoint pos)
    {
        QMimeData mime;
        mime.setUrls(urls);
        return Drop(target, mime, pos);
    }

    bool Drop(QWidget* target, const QMimeData& mime, QPoint pos)
    {
        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "the file manager must keep its files";
        return drop.isAccepted();
    }
};

TEST(FormEnhance, DeliversLongPathsWholeAndInOrder)
{
    DropWindow window;
    const QString deep = QStringLiteral("/tmp/") + QString(300, u'd') + QStringLiteral("/Ä report.txt");
    const QStringList paths = {deep, QStringLiteral("/tmp/b"), QStringLiteral("/tmp/a"), QStringLiteral("/tmp/b")};
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));

    ASSERT_TRUE(window.Drop(&window.form, urls, QPoint(7, 9)));
    // Over a child that would otherwise take the addresses as text.
    ASSERT_TRUE(window.Drop(window.edit, urls.mid(1, 1), QPoint(3, 4)));

    ASSERT_EQ(window.drops.size(), 2u);
    QList<QByteArray> bytes;
    for (const QString& p : paths)
        bytes.append(p.toUtf8());
    EXPECT_EQ(window.drops[0].first, bytes);
    EXPECT_EQ(window.drops[0].first[0].size(), deep.toUtf8().size());
    EXPECT_EQ(window.drops[0].second, QPoint(7, 9));
    EXPECT_EQ(window.drops[1].first, QList<QByteArray>{"/tmp/b"});
    EXPECT_EQ(window.drops[1].second, QPoint(103, 54));
    EXPECT_TRUE(window.edit->text().isEmpty());
}

TEST(FormEnhance, IgnoresNonFileDropsAndStopsWhenSwitchedOff)
{
    DropWindow window;
    EXPECT_FALSE(window.Drop(&window.form, {QUrl(QStringLiteral("https://example.org/x"))}, QPoint(1, 1)));

    window.enhance->SetAcceptFiles(false);
    EXPECT_FALSE(window.form.acceptDrops());
    EXPECT_FALSE(window.Drop(&window.form, {QUrl::fromLocalFile(QStringLiteral("/tmp/x"))}, QPoint(1, 1)));
    EXPECT_TRUE(window.drops.empty());

    window.enhance->SetAcceptFiles(true);
    EXPECT_TRUE(window.form.acceptDrops());
    EXPECT_TRUE(window.Drop(&window.form, {QUrl::fromLocalFile(QStringLiteral("/tmp/x"))}, QPoint(1, 1)));
    EXPECT_EQ(window.drops.size(), 1u);
}

// A name that is not valid UTF-8 comes through as the bytes it has on the
// disk: the list is read as bytes and percent-decoded, never through text.
TEST(FormEnhance, DroppedPathsAreTheBytesOfTheUriList)
{
    struct Case {
        const char* what;
        QByteArray list;
        QList<QByteArray> paths;
    };
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const Case cases[] = {
        {"undecodable byte", "file:///tmp/%FF.bin\r\n", {"/tmp/\xFF.bin"}},
        {"several, in order, the last without an end of line",
         "file:///tmp/b\r\nfile:///tmp/a%20b\r\nfile:///tmp/caf%C3%A9", {"/tmp/b", "/tmp/a b", "/tmp/caf\xC3\xA9"}},
        {"comments and blank lines", "# from a file manager\r\n\r\nfile:///x\n", {"/x"}},
        {"this host or localhost", "file://localhost/l\r\nfile://" + host + "/h\r\nFILE:///u\r\n", {"/l", "/h", "/u"}},
        {"another host, another scheme, no path", "file://elsewhere.example/e\r\nhttps://example.org/x\r\nfile:relative\r\n", {}},
        {"a percent-encoded zero byte is no path", "file:///a%00b\r\n", {}},
        {"query and fragment are not part of a name", "file:///q%3F%23?x#y\r\n", {"/q?#"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), c.list);
        EXPECT_EQ(tarnex::DroppedPaths(&mime), c.paths);
    }
}

TEST(FormEnhance, ADropOfAnUndecodableNameDeliversItsBytes)
{
    DropWindow window;
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), "file:///tmp/%FF.bin\r\n");
    ASSERT_TRUE(window.Drop(&window.form, mime, QPoint(2, 3)));
    ASSERT_EQ(window.drops.size(), 1u);
    EXPECT_EQ(window.drops[0].first, QList<QByteArray>{"/tmp/\xFF.bin"});
}

QString ConfigHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

TEST(FormEnhance, RecordFileNamedAfterTheKeyPath)
{
    QWidget form;
    form.setObjectName(QStringLiteral("Form1"));
    TFormEnhance enhance(&form);
    EXPECT_EQ(enhance.SaveKey(), QStringLiteral("Form1 Placement"));

    const std::pair<const char*, QString> rows[] = {
        {"\\Software\\tarnexfs3", ConfigHome() + QStringLiteral("/tarnexfs3.conf")},
        {"\\Software\\My Application", ConfigHome() + QStringLiteral("/My Application.conf")},
        {"\\Software\\Maker\\Tool", ConfigHome() + QStringLiteral("/Maker/Tool.conf")},
        {"\\Software\\..\\..\\etc\\x", ConfigHome() + QStringLiteral("/etc/x.conf")},
        {"", QString()},
    };
    for (const auto& [name, file] : rows) {
        enhance.SetSaveName(QString::fromLatin1(name));
        EXPECT_EQ(enhance.PlacementFile(), file) << name;
    }
    enhance.SetSaveName(QStringLiteral("\\Software\\tarnexfs3"));
    enhance.SetSaveKey(QString());
    EXPECT_EQ(enhance.PlacementFile(), QString());
}

// Builds a window whose placement record is under the given key path, runs
// its construction step and hands it back.
std::unique_ptr<QWidget> BuiltWindow(const QString& saveName, QRect initial)
{
    auto form = std::make_unique<QWidget>();
    form->setGeometry(initial);
    auto* enhance = new TFormEnhance(form.get());
    enhance->SetSaveName(saveName);
    enhance->SetSaveKey(QStringLiteral("Vantor122"));
    enhance->Loaded();
    return form;
}

TEST(FormEnhance, PlacementSurvivesARestart)
{
    const QString name = QStringLiteral("\\Software\\roundtrip");
    const QString file = ConfigHome() + QStringLiteral("/roundtrip.conf");
    QFile::remove(file);

    auto first = BuiltWindow(name, QRect(50, 60, 200, 100));
    EXPECT_TRUE(QFile::exists(file)) << "opening the record creates it";
    EXPECT_EQ(first->geometry(), QRect(50, 60, 200, 100)) << "first run keeps the built bounds";
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_TRUE(settings.childGroups().isEmpty());
    }
    first->setGeometry(-15, 20, 300, 210);
    first.reset();

    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    EXPECT_TRUE(text.contains("[Vantor122]")) << text.constData();
    for (const char* line : {"Left=-15\n", "Top=20\n", "Right=285\n", "Bottom=230\n", "Maximized=0\n"})
        EXPECT_TRUE(text.contains(line)) << line << " in\n" << text.constData();

    // Partly off the screen: brought back whole, keeping its size.
    auto second = BuiltWindow(name, QRect(1, 2, 3, 4));
    EXPECT_EQ(second->geometry().size(), QSize(300, 210));
    EXPECT_EQ(second->geometry().left(), 0);
    EXPECT_GE(second->geometry().top(), 20);
    EXPECT_FALSE(second->isMaximized());
}

TEST(FormEnhance, NoRecordWithoutAName)
{
    const QString file = ConfigHome() + QStringLiteral("/unnamed.conf");
    QFile::remove(file);
    {
        auto form = BuiltWindow(QStringLiteral("\\Software\\unnamed"), QRect(5, 5, 100, 100));
        form->findChild<TFormEnhance*>()->SetSaveKey(QString());
    }
    QSettings settings(file, QSettings::IniFormat);
    EXPECT_TRUE(settings.allKeys().isEmpty());
}

struct RecordCase {
    const char* name;
    std::vector<std::pair<const char*, std::string>> values;
    QRect expected;
    bool maximized;
};

std::ostream& operator<<(std::ostream& os, const RecordCase& c) { return os << c.name; }

class PlacementRecord : public testing::TestWithParam<RecordCase> {};

// Each case has a file of its own: QSettings keeps what it read of a file
// and may not notice a rewrite within the same second.
void WriteRecord(const QString& name, const std::vector<std::pair<const char*, std::string>>& values)
{
    const QString file = ConfigHome() + QLatin1Char('/') + name + QStringLiteral(".conf");
    QFile::remove(file);
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("[Vantor122]\n");
    for (const auto& [key, value] : values)
        raw.write(QByteArray(key) + '=' + QByteArray::fromStdString(value) + '\n');
}

// The window is built at (50, 60) 200 x 100, well inside the screen.
TEST_P(PlacementRecord, AppliedWithFallbacks)
{
    const RecordCase& c = GetParam();
    const QString name = QStringLiteral("records-") + QLatin1String(c.name);
    WriteRecord(name, c.values);
    auto form = BuiltWindow(QStringLiteral("\\Software\\") + name, QRect(50, 60, 200, 100));
    EXPECT_EQ(form->isMaximized(), c.maximized);
    EXPECT_EQ(form->geometry(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Records, PlacementRecord,
    testing::Values(
        RecordCase{"AllValues", {{"Left", "10"}, {"Top", "20"}, {"Right", "310"}, {"Bottom", "220"}}, {10, 20, 300, 200}, false},
        RecordCase{"MissingEmptyAndNonNumbersFallBack", {{"Left", "10"}, {"Right", "abc"}, {"Bottom", ""}}, {10, 60, 240, 100}, false},
        RecordCase{"ListValueFallsBack", {{"Left", "1, 2"}, {"Top", "7"}}, {50, 7, 200, 153}, false},
        RecordCase{"EmptyGroupChangesNothing", {}, {50, 60, 200, 100}, false},
        RecordCase{"MaximizedNotANumberKeepsState", {{"Maximized", "yes"}}, {50, 60, 200, 100}, false},
        RecordCase{"MaximizedTakesTheRectangleFirst", {{"Left", "10"}, {"Top", "20"}, {"Right", "310"}, {"Bottom", "220"}, {"Maximized", "1"}}, {10, 20, 300, 200}, true}),
    [](const testing::TestParamInfo<RecordCase>& row) { return std::string(row.param.name); });

TEST(FormEnhance, BroughtOntoTheScreenWithItsTitleBarReachable)
{
    if (QGuiApplication::screens().size() > 1)
        GTEST_SKIP() << "the case of one screen";
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = screen.x() + screen.width();
    const int h = screen.y() + screen.height();
    auto n = [](int v) { return std::to_string(v); };
    struct Row {
        std::vector<std::pair<const char*, std::string>> values;
        QRect expected; // a null top: only "below the screen's top" is asked
    };
    const Row rows[] = {
        // Beyond the right edge: shifted left, keeping its width.
        {{{"Left", n(w - 100)}, {"Top", "50"}, {"Right", n(w + 200)}, {"Bottom", "150"}}, {w - 300, 50, 300, 100}},
        // Wider than the screen: its left edge, where the title starts, stays on it.
        {{{"Left", "0"}, {"Top", "50"}, {"Right", n(w + 100)}, {"Bottom", "150"}}, {0, 50, w + 100, 100}},
        // Below the bottom edge: shifted up.
        {{{"Left", "0"}, {"Top", n(h - 50)}, {"Right", "100"}, {"Bottom", n(h + 50)}}, {0, h - 100, 100, 100}},
        // Above and left of the screen: moved down and right onto it.
        {{{"Left", "-500"}, {"Top", "-400"}, {"Right", "-300"}, {"Bottom", "-300"}}, {0, 0, 200, 100}},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(index);
        const QString name = QStringLiteral("clamp-") + QString::number(index++);
        WriteRecord(name, row.values);
        auto form = BuiltWindow(QStringLiteral("\\Software\\") + name, QRect(50, 60, 200, 100));
        const QRect placed = form->geometry();
        EXPECT_EQ(placed.size(), row.expected.size());
        EXPECT_EQ(placed.left(), row.expected.left());
        if (row.expected.top() == 0)
            EXPECT_GT(placed.top(), screen.top()) << "room is left for the title bar above";
        else
            EXPECT_EQ(placed.top(), row.expected.top());
    }
}

TEST(FormEnhance, PlacementOnSeveralScreens)
{
    // A 1920 x 1080 screen with a 40-pixel panel at its bottom, and a
    // 1280 x 1024 one to its right; the frame adds 2 pixels at the sides and
    // bottom and a 24-pixel title bar.
    const tarnex::ScreenArea a{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
    const tarnex::ScreenArea b{{1920, 0, 1280, 1024}, {1920, 0, 1280, 1024}};
    const QMargins frame(2, 24, 2, 2);
    struct Case {
        const char* what;
        QList<tarnex::ScreenArea> screens;
        QRect saved;
        QRect placed;
    };
    const Case cases[] = {
        {"on the first screen", {a, b}, {100, 100, 300, 200}, {100, 100, 300, 200}},
        {"on the second screen", {a, b}, {2000, 300, 300, 200}, {2000, 300, 300, 200}},
        {"across both", {a, b}, {1800, 300, 300, 200}, {1800, 300, 300, 200}},
        {"over a panel, still on the screen", {a, b}, {100, 950, 300, 100}, {100, 950, 300, 100}},
        {"below the shorter second screen", {a, b}, {2000, 1000, 300, 60}, {2000, 962, 300, 60}},
        {"on a screen no longer there", {a, b}, {3300, 100, 300, 200}, {2898, 100, 300, 200}},
        {"beyond the right of the only screen", {a}, {1800, 100, 300, 200}, {1618, 100, 300, 200}},
        {"above and left of the only screen", {a}, {-50, -10, 300, 200}, {2, 24, 300, 200}},
        {"larger than the only screen", {a}, {-100, -100, 2200, 1200}, {2, 24, 2200, 1200}},
        {"no screens at all", {}, {-100, -100, 30, 30}, {-100, -100, 30, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tarnex::PlaceOnScreens(c.saved, c.screens, frame), c.placed);
    }
}

// Run by the test program started with two screens side by side.
TEST(FormEnhance, KeptOnASecondScreen)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2)
        GTEST_SKIP() << "one screen";
    const QRect second = screens[1]->geometry();
    const QRect saved(second.x() + 40, second.y() + 60, 200, 100);
    const QString name = QStringLiteral("second-screen");
    WriteRecord(name, {{"Left", std::to_string(saved.left())},
                       {"Top", std::to_string(saved.top())},
                       {"Right", std::to_string(saved.left() + saved.width())},
                       {"Bottom", std::to_string(saved.top() + saved.height())}});
    auto form = BuiltWindow(QStringLiteral("\\Software\\") + name, QRect(50, 60, 200, 100));
    EXPECT_EQ(form->geometry(), saved);
    form->show();
    EXPECT_EQ(form->screen(), screens[1]);
}

TEST(FormEnhance, MaximizedWindowSavesItsNormalRectangle)
{
    const QString name = QStringLiteral("\\Software\\maximized");
    const QString file = ConfigHome() + QStringLiteral("/maximized.conf");
    QFile::remove(file);
    {
        auto form = BuiltWindow(name, QRect(30, 40, 200, 100));
        form->show();
        form->showMaximized();
        ASSERT_TRUE(form->isMaximized());
    }
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Vantor122"));
    EXPECT_EQ(settings.value(QStringLiteral("Maximized")).toString(), QStringLiteral("1"));
    EXPECT_EQ(settings.value(QStringLiteral("Right")).toString(), QStringLiteral("230"));

    auto again = BuiltWindow(name, QRect(0, 0, 10, 10));
    EXPECT_TRUE(again->isMaximized());
    again->showNormal();
    EXPECT_EQ(again->geometry(), QRect(30, 40, 200, 100));
}

TEST(FormEnhance, SizeLimitsOnlyWhereNotZero)
{
    QWidget form;
    form.setMinimumSize(20, 30);
    TFormEnhance enhance(&form);
    enhance.SetMinSize(TSize{120, 0});
    enhance.SetMaxSize(TSize{0, 400});
    EXPECT_EQ(form.minimumSize(), QSize(120, 30));
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, 400));
    enhance.SetMaxSize(TSize{});
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

} // namespace
