#include "ui/components/Formenh.h"

#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
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
    std::vector<std::pair<QStringList, QPoint>> drops;

    DropWindow()
    {
        form.resize(400, 300);
        edit->setGeometry(100, 50, 80, 20);
        enhance->SetSavePlacement(false);
        enhance->OnDropFiles = [this](const QStringList& files, const QPoint& pos) {
            drops.emplace_back(files, pos);
        };
        enhance->Loaded();
    }

    // Returns whether the drop was taken.
    bool Drop(QWidget* target, const QList<QUrl>& urls, QPoint pos)
    {
        QMimeData mime;
        mime.setUrls(urls);
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
    EXPECT_EQ(window.drops[0].first, paths);
    EXPECT_EQ(window.drops[0].first[0].size(), deep.size());
    EXPECT_EQ(window.drops[0].second, QPoint(7, 9));
    EXPECT_EQ(window.drops[1].first, QStringList{QStringLiteral("/tmp/b")});
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

    auto second = BuiltWindow(name, QRect(1, 2, 3, 4));
    EXPECT_EQ(second->geometry(), QRect(-15, 20, 300, 210));
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
        RecordCase{"NegativeLeftAndTopKept", {{"Left", "-20"}, {"Top", "-30"}, {"Right", "80"}, {"Bottom", "70"}}, {-20, -30, 100, 100}, false},
        RecordCase{"MissingEmptyAndNonNumbersFallBack", {{"Left", "10"}, {"Right", "abc"}, {"Bottom", ""}}, {10, 60, 240, 100}, false},
        RecordCase{"ListValueFallsBack", {{"Left", "1, 2"}, {"Top", "7"}}, {50, 7, 200, 153}, false},
        RecordCase{"EmptyGroupChangesNothing", {}, {50, 60, 200, 100}, false},
        RecordCase{"MaximizedNotANumberKeepsState", {{"Maximized", "yes"}}, {50, 60, 200, 100}, false},
        RecordCase{"MaximizedTakesTheRectangleFirst", {{"Left", "10"}, {"Top", "20"}, {"Right", "310"}, {"Bottom", "220"}, {"Maximized", "1"}}, {10, 20, 300, 200}, true}),
    [](const testing::TestParamInfo<RecordCase>& row) { return std::string(row.param.name); });

TEST(FormEnhance, KeptOnThePrimaryScreenAtRightAndBottom)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = screen.x() + screen.width();
    const int h = screen.y() + screen.height();
    auto n = [](int v) { return std::to_string(v); };
    struct Row {
        std::vector<std::pair<const char*, std::string>> values;
        QRect expected;
    };
    const Row rows[] = {
        // Beyond the right edge: shifted left, keeping its width.
        {{{"Left", n(w - 100)}, {"Top", "10"}, {"Right", n(w + 200)}, {"Bottom", "110"}}, {w - 300, 10, 300, 100}},
        // Wider than the screen: ends with a negative left edge.
        {{{"Left", "0"}, {"Top", "0"}, {"Right", n(w + 100)}, {"Bottom", "100"}}, {-100, 0, w + 100, 100}},
        // Below the bottom edge: shifted up.
        {{{"Left", "0"}, {"Top", n(h - 50)}, {"Right", "100"}, {"Bottom", n(h + 50)}}, {0, h - 100, 100, 100}},
        // Nothing is adjusted at the left or top.
        {{{"Left", "-500"}, {"Top", "-400"}, {"Right", "-300"}, {"Bottom", "-300"}}, {-500, -400, 200, 100}},
    };
    int index = 0;
    for (const Row& row : rows) {
        const QString name = QStringLiteral("clamp-") + QString::number(index++);
        WriteRecord(name, row.values);
        auto form = BuiltWindow(QStringLiteral("\\Software\\") + name, QRect(50, 60, 200, 100));
        EXPECT_EQ(form->geometry(), row.expected);
    }
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
