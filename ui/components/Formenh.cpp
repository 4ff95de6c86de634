#include "ui/components/Formenh.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include <array>
#include <optional>

namespace tarnex {

namespace {

const char* const kOrderedValues[] = {"Left", "Top", "Right", "Bottom"};

QStringList LocalPaths(const QMimeData* mime)
{
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
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
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const int screenRight = area.x() + area.width();
        const int screenBottom = area.y() + area.height();
        if (screenRight < right) {
            left -= right - screenRight;
            right = screenRight;
        }
        if (screenBottom < bottom) {
            top -= bottom - screenBottom;
            bottom = screenBottom;
        }
    }
    // Only a record that says something moves the window; otherwise the
    // desktop places it as it would any new window.
    if (anyEdgeRead && right > left && bottom > top)
        owner_->setGeometry(left, top, right - left, bottom - top);
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
        if (LocalPaths(drag->mimeData()).isEmpty())
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
    const QStringList files = LocalPaths(drop->mimeData());
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

} // namespace tarnex
