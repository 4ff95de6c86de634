#include "ui/components/Formenh.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QRegion>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QSysInfo>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

namespace tarnex {

namespace {

const char* const kOrderedValues[] = {"Left", "Top", "Right", "Bottom"};

// The path of a file: URI as bytes; nothing for any other kind of URI or for
// a file on another host.
std::optional<QByteArray> LocalPathOfUri(const QByteArray& uri)
{
    if (uri.size() < 5 || uri.left(5).toLower() != "file:")
        return std::nullopt;
    QByteArray rest = uri.mid(5);
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        if (slash < 0)
            return std::nullopt;
        const QByteArray host = QByteArray::fromPercentEncoding(rest.mid(2, slash - 2)).toLower();
        if (!host.isEmpty() && host != "localhost" && host != QSysInfo::machineHostName().toUtf8().toLower())
            return std::nullopt;
        rest = rest.mid(slash);
    }
    // A '?' or '#' that belongs to a name is sent percent-encoded.
    for (const char stop : {'?', '#'}) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0)
            rest.truncate(at);
    }
    if (!rest.startsWith('/'))
        return std::nullopt;
    QByteArray path = QByteArray::fromPercentEncoding(rest);
    if (path.contains('\0'))
        return std::nullopt;
    return path;
}

// A copy, never a move: a file manager that is told the files were moved may
// delete its originals.
bool OfferCopy(QDropEvent* event)
{
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    event->accept();
    return true;
}

std::optional<int> ReadInteger(const QSettings& settings, const char* name)
{
    const QVariant value = settings.value(QLatin1String(name));
    // A value the file holds as a list or a typed variant is as unreadable
    // as a missing one: the window's own value stands.
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    bool ok = false;
    const int number = value.toString().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

} // namespace

TFormEnhance::TFormEnhance(QWidget* owner)
    : QObject(nullptr)
{
    if (owner == nullptr || !owner->isWindow())
        throw EFormEnhanceError("Control parent must be a form!");
    for (QObject* child : owner->children()) {
        if (dynamic_cast<TFormEnhance*>(child) != nullptr)
            throw EFormEnhanceError("The form already contains a TFormEnhance component!");
    }
    setParent(owner);
    owner_ = owner;
    saveKey_ = owner->objectName() + QStringLiteral(" Placement");
    // Drops are taken wherever they land in the window, also over child
    // widgets that would otherwise take a file's address as text.
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (loaded_ && savePlacement_ && owner_ != nullptr) {
            try {
                StoreWindowPlacement();
            } catch (const Error& e) {
                qWarning("%s", e.what());
            }
        }
    });
}

TFormEnhance::~TFormEnhance()
{
    if (loaded_ && savePlacement_ && owner_ != nullptr) {
        try {
            StoreWindowPlacement();
        } catch (const Error& e) {
            qWarning("%s", e.what());
        }
    }
}

void TFormEnhance::Loaded()
{
    if (loaded_ || owner_ == nullptr)
        return;
    loaded_ = true;
    owner_->setAcceptDrops(acceptFiles_);
    if (savePlacement_)
        LoadWindowPlacement();
}

void TFormEnhance::SetAcceptFiles(bool accept)
{
    if (accept == acceptFiles_)
        return;
    acceptFiles_ = accept;
    if (owner_ != nullptr)
        owner_->setAcceptDrops(accept);
}

void TFormEnhance::SetMaxSize(TSize size)
{
    const TSize old = maxSize_;
    maxSize_ = size;
    if (owner_ == nullptr)
        return;
    if (size.Width != 0)
        owner_->setMaximumWidth(size.Width);
    else if (old.Width != 0)
        owner_->setMaximumWidth(QWIDGETSIZE_MAX);
    if (size.Height != 0)
        owner_->setMaximumHeight(size.Height);
    else if (old.Height != 0)
        owner_->setMaximumHeight(QWIDGETSIZE_MAX);
}

void TFormEnhance::SetMinSize(TSize size)
{
    const TSize old = minSize_;
    minSize_ = size;
    if (owner_ == nullptr)
        return;
    if (size.Width != 0)
        owner_->setMinimumWidth(size.Width);
    else if (old.Width != 0)
        owner_->setMinimumWidth(0);
    if (size.Height != 0)
        owner_->setMinimumHeight(size.Height);
    else if (old.Height != 0)
        owner_->setMinimumHeight(0);
}

QString TFormEnhance::PlacementFile() const
{
    if (saveName_.isEmpty() || saveKey_.isEmpty())
        return QString();
    QStringList parts;
    for (const QString& part : saveName_.split(QRegularExpression(QStringLiteral("[\\\\/]")))) {
        // Key names cannot climb out of the configuration folder.
        if (!part.isEmpty() && part != QLatin1String(".") && part != QLatin1String(".."))
            parts.append(part);
    }
    if (parts.size() > 1 && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return QString();
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + u'/' + parts.join(u'/') + QStringLiteral(".conf");
}

void TFormEnhance::LoadWindowPlacement()
{
    const QString path = PlacementFile();
    if (path.isEmpty() || owner_ == nullptr)
        return;
    // Opening the record creates it, as an empty file, when it is missing.
    if (QDir().mkpath(QFileInfo(path).absolutePath()) && !QFileInfo::exists(path)) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }

    const QRect current = owner_->geometry();
    std::array<int, 4> edges = {current.left(), current.top(), current.left() + current.width(),
                                current.top() + current.height()};
    bool maximized = owner_->isMaximized();
    bool anyEdgeRead = false;

    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(saveKey_);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (const std::optional<int> number = ReadInteger(settings, kOrderedValues[i])) {
            edges[i] = *number;
            anyEdgeRead = true;
        }
    }
    if (const std::optional<int> number = ReadInteger(settings, "Maximized"))
        maximized = *number != 0;
    settings.endGroup();

    auto& [left, top, right, bottom] = edges;
    // Only a record that says something moves the window; otherwise the
    // desktop places it as it would any new window.
    if (anyEdgeRead && right > left && bottom > top) {
        QList<ScreenArea> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens.append({screen->geometry(), screen->availableGeometry()});
        owner_->setGeometry(PlaceOnScreens(QRect(left, top, right - left, bottom - top), screens, FrameMargins()));
    }
    if (maximized)
        owner_->setWindowState(owner_->windowState() | Qt::WindowMaximized);
}

void TFormEnhance::StoreWindowPlacement()
{
    const QString path = PlacementFile();
    if (path.isEmpty() || owner_ == nullptr)
        return;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw EFormEnhanceError("Failed to create key " + saveName_.toStdString());

    QRect normal = owner_->normalGeometry();
    if (!normal.isValid())
        normal = owner_->geometry();
    const int values[] = {normal.left(), normal.top(), normal.left() + normal.width(),
                          normal.top() + normal.height()};

    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(saveKey_);
    for (std::size_t i = 0; i < std::size(values); ++i)
        settings.setValue(QLatin1String(kOrderedValues[i]), QString::number(values[i]));
    settings.setValue(QStringLiteral("Maximized"), owner_->isMaximized() ? QStringLiteral("1")
                                                                         : QStringLiteral("0"));
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw EFormEnhanceError("Failed to set data for 'Left'");
}

QMargins TFormEnhance::FrameMargins() const
{
    const QRect frame = owner_->frameGeometry();
    const QRect client = owner_->geometry();
    if (frame != client)
        return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    // Before the window is first shown its frame is unknown: reserve about a
    // title bar's height above it.
    return QMargins(0, owner_->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, owner_), 0, 0);
}

bool TFormEnhance::OwnsDropTarget(QObject* watched) const
{
    if (!loaded_ || !acceptFiles_ || owner_ == nullptr || !watched->isWidgetType())
        return false;
    return static_cast<QWidget*>(watched)->window() == owner_;
}

bool TFormEnhance::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        if (!OwnsDropTarget(watched))
            return false;
        auto* drag = static_cast<QDropEvent*>(event);
        if (DroppedPaths(drag->mimeData()).isEmpty())
            return false;
        return OfferCopy(drag);
    }
    case QEvent::Drop:
        if (!OwnsDropTarget(watched))
            return false;
        return HandleDrop(static_cast<QWidget*>(watched), static_cast<QDropEvent*>(event));
    default:
        return false;
    }
}

bool TFormEnhance::HandleDrop(QWidget* target, QDropEvent* drop)
{
    const QList<QByteArray> files = DroppedPaths(drop->mimeData());
    if (files.isEmpty() || !OfferCopy(drop))
        return false;
    if (bringToFront_) {
        owner_->raise();
        owner_->activateWindow();
    }
    const QPoint pos = target->mapTo(owner_, drop->position().toPoint());
    if (OnDropFiles)
        OnDropFiles(files, pos);
    return true;
}

QList<QByteArray> DroppedPaths(const QMimeData* mime)
{
    QList<QByteArray> paths;
    if (mime == nullptr)
        return paths;
    if (mime->hasFormat(QStringLiteral("text/uri-list"))) {
        for (QByteArray line : mime->data(QStringLiteral("text/uri-list")).split('\n')) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            if (std::optional<QByteArray> path = LocalPathOfUri(line))
                paths.append(*path);
        }
    }
    // Some senders give the list in a form Qt only hands over as URLs (UTF-16
    // text, for one): those names were text all along.
    if (paths.isEmpty() && mime->hasUrls()) {
        for (const QUrl& url : mime->urls()) {
            if (std::optional<QByteArray> path = LocalPathOfUri(url.toEncoded()))
                paths.append(*path);
        }
    }
    return paths;
}

namespace {

std::int64_t Area(const QRect& r)
{
    return r.isEmpty() ? 0 : std::int64_t{r.width()} * r.height();
}

// Distance in pixels between two rectangles that do not overlap.
std::int64_t Gap(const QRect& a, const QRect& b)
{
    const std::int64_t dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const std::int64_t dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

} // namespace

QRect PlaceOnScreens(const QRect& saved, const QList<ScreenArea>& screens, const QMargins& frame)
{
    if (screens.isEmpty())
        return saved;
    QRegion desktop;
    for (const ScreenArea& screen : screens)
        desktop += screen.geometry;
    if (QRegion(saved).subtracted(desktop).isEmpty())
        return saved;

    const ScreenArea* best = &screens.front();
    std::int64_t bestOverlap = -1;
    std::int64_t bestGap = std::numeric_limits<std::int64_t>::max();
    for (const ScreenArea& screen : screens) {
        const std::int64_t overlap = Area(saved & screen.geometry);
        const std::int64_t gap = overlap > 0 ? 0 : Gap(saved, screen.geometry);
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && gap < bestGap)) {
            best = &screen;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }

    const QRect area = best->available.isValid() ? best->available : best->geometry;
    QRect placed = saved;
    // QRect's right and bottom are inclusive; the edges compared here are the
    // exclusive ones a window's extent ends at.
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    if (placed.x() + placed.width() + frame.right() > areaRight)
        placed.moveLeft(areaRight - frame.right() - placed.width());
    if (placed.y() + placed.height() + frame.bottom() > areaBottom)
        placed.moveTop(areaBottom - frame.bottom() - placed.height());
    if (placed.x() - frame.left() < area.x())
        placed.moveLeft(area.x() + frame.left());
    if (placed.y() - frame.top() < area.y())
        placed.moveTop(area.y() + frame.top());
    return placed;
}

} // namespace tarnex
