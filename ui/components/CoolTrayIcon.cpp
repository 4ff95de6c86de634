#include "ui/components/CoolTrayIcon.h"

#include "ui/components/TrayPresence.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace tarnex {

namespace {

TShiftState KeyboardState()
{
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    TShiftState shift;
    if (keys & Qt::ShiftModifier)
        shift |= ssShift;
    if (keys & Qt::AltModifier)
        shift |= ssAlt;
    if (keys & Qt::ControlModifier)
        shift |= ssCtrl;
    return shift;
}

TShiftStateFlag ButtonFlag(TMouseButton button)
{
    switch (button) {
    case TMouseButton::mbLeft: return ssLeft;
    case TMouseButton::mbRight: return ssRight;
    case TMouseButton::mbMiddle: break;
    }
    return ssMiddle;
}

// A menu of our own can be placed at the pointer only where the program
// knows where the pointer is: not on Wayland, where an unparented menu opens
// as a window of its own in the middle of the screen.
bool CanPlaceMenuAtPointer()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

TCoolTrayIcon::TCoolTrayIcon(QWidget* owner)
    : QObject(owner), owner_(owner), presence_(new TrayPresence(this)), timer_(new QTimer(this))
{
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, [this] { CycleStep(); });
    connect(presence_, &TrayPresence::Changed, this, &TCoolTrayIcon::TrayChanged);
    watcherOwner_ = presence_->WatcherOwner();
    if (owner != nullptr)
        owner->installEventFilter(this);
}

QSystemTrayIcon* TCoolTrayIcon::EnsureTrayIcon()
{
    if (tray_ != nullptr)
        return tray_;
    // Made only now that a tray is there: Qt picks D-Bus or XEmbed when its
    // first icon is made and keeps that choice, so an icon made before a
    // status-notifier host had started would never reach it.
    statusNotifierIcon_ = presence_->StatusNotifierHost();
    tray_ = new QSystemTrayIcon(this);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
    PrepareTrayData();
    return tray_;
}

TCoolTrayIcon::~TCoolTrayIcon()
{
    TCoolTrayIcon::RemoveFromTray();
    if (owner_ != nullptr)
        owner_->removeEventFilter(this);
}

void TCoolTrayIcon::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    PrepareTrayData();
}

void TCoolTrayIcon::SetPopupMenu(QMenu* menu)
{
    popupMenu_ = menu;
    PrepareTrayData();
}

void TCoolTrayIcon::Loaded()
{
    if (loaded_)
        return;
    loaded_ = true;
    if (startMinimized_) {
        // Without a tray the hidden program could not be reached at all.
        if (TrayAvailable())
            HideMainWindow();
        else
            ShowMainWindow();
    }
    UpdateTray();
    if (iconVisible_)
        AddToTray();
    else
        RemoveFromTray();
}

bool TCoolTrayIcon::TrayAvailable() const
{
    if (tray_ == nullptr)
        return presence_->Any();
    return statusNotifierIcon_ ? presence_->StatusNotifierHost() : presence_->XEmbedManager();
}

void TCoolTrayIcon::TrayChanged()
{
    const bool available = TrayAvailable();
    const bool hostReplaced = presence_->WatcherOwner() != watcherOwner_;
    watcherOwner_ = presence_->WatcherOwner();
    if (available && iconVisible_) {
        if (inTray_ && hostReplaced && statusNotifierIcon_) {
            // A restarted panel knows no items: register with it afresh.
            tray_->hide();
            tray_->show();
        } else if (!inTray_) {
            AddToTray();
        }
        if (owner_ != nullptr && owner_->isMinimized() && minimizeToTray_)
            DoMinimizeToTray();
    } else if (!available && inTray_) {
        tray_->hide();
        inTray_ = false;
        // iconVisible_ stays: the icon returns with the next tray.
    }
    if (!available && owner_ != nullptr && !owner_->isVisible())
        ShowMainWindow();
    if (OnTrayChange)
        OnTrayChange(this, available);
}

void TCoolTrayIcon::SetDesignPreview(bool preview)
{
    designPreview_ = preview;
    previewing_ = true;
    if (preview)
        AddToTray();
    else
        RemoveFromTray();
    previewing_ = false;
}

void TCoolTrayIcon::SetCycleIcons(bool cycle)
{
    cycleIcons_ = cycle;
    if (cycle)
        cycleIndex_ = 0;
    UpdateTimer();
}

void TCoolTrayIcon::SetCycleInterval(std::uint32_t interval)
{
    cycleInterval_ = interval;
    timer_->setInterval(static_cast<int>(
        std::min<std::uint32_t>(interval, static_cast<std::uint32_t>(std::numeric_limits<int>::max()))));
    UpdateTimer();
}

void TCoolTrayIcon::UpdateTimer()
{
    // A zero interval would make the timer fire continuously; here it means
    // the cycle stands still.
    if (cycleIcons_ && cycleInterval_ != 0) {
        if (!timer_->isActive())
            timer_->start();
    } else {
        timer_->stop();
    }
}

void TCoolTrayIcon::SetHint(const QString& hint)
{
    hint_ = hint;
    UpdateTray();
}

void TCoolTrayIcon::SetShowHint(bool show)
{
    showHint_ = show;
    UpdateTray();
}

void TCoolTrayIcon::SetIcon(const QIcon& icon)
{
    icon_ = icon;
    UpdateTray();
}

void TCoolTrayIcon::SetIconVisible(bool visible)
{
    if (visible)
        AddToTray();
    else
        RemoveFromTray();
}

QString TCoolTrayIcon::TipText() const
{
    if (hint_.isEmpty() || !showHint_)
        return QString();
    qsizetype length = std::min<qsizetype>(hint_.size(), kMaxTipLength);
    // Never split a character that needs two code units.
    if (length < hint_.size() && hint_.at(length - 1).isHighSurrogate())
        --length;
    return hint_.left(length);
}

void TCoolTrayIcon::PrepareTrayData()
{
    if (tray_ == nullptr)
        return;
    tray_->setIcon(icon_);
    tray_->setToolTip(TipText());
    // The XEmbed icon pops it on the right button, and a status-notifier
    // host shows it at the panel, where the program itself could not.
    QMenu* menu = enabled_ ? popupMenu_.data() : nullptr;
    if (tray_->contextMenu() != menu)
        tray_->setContextMenu(menu);
}

bool TCoolTrayIcon::AddToTray()
{
    if (!previewing_)
        iconVisible_ = true;
    PrepareTrayData();
    if (inTray_ || !TrayAvailable())
        return false;
    EnsureTrayIcon()->show();
    inTray_ = true;
    return true;
}

bool TCoolTrayIcon::RemoveFromTray()
{
    if (!previewing_)
        iconVisible_ = false;
    PrepareTrayData();
    if (!inTray_)
        return false;
    tray_->hide();
    inTray_ = false;
    return true;
}

bool TCoolTrayIcon::UpdateTray()
{
    PrepareTrayData();
    return inTray_;
}

void TCoolTrayIcon::ShowMainWindow()
{
    if (owner_ == nullptr)
        return;
    owner_->setWindowState(owner_->windowState() & ~Qt::WindowMinimized);
    owner_->show();
    owner_->raise();
    owner_->activateWindow();
}

void TCoolTrayIcon::HideMainWindow()
{
    if (owner_ != nullptr && TrayAvailable())
        owner_->hide();
}

void TCoolTrayIcon::Click()
{
    if (OnClick)
        OnClick(this);
}

void TCoolTrayIcon::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TCoolTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TCoolTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TCoolTrayIcon::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TCoolTrayIcon::Cycle(std::int32_t current)
{
    if (OnCycle)
        OnCycle(this, current);
}

void TCoolTrayIcon::DoMinimizeToTray()
{
    HideMainWindow();
    AddToTray();
}

void TCoolTrayIcon::CycleStep()
{
    if (iconList_.isEmpty())
        return;
    if (cycleIndex_ >= iconList_.size())
        cycleIndex_ = 0;
    icon_ = iconList_.at(cycleIndex_);
    Cycle(static_cast<std::int32_t>(cycleIndex_));
    UpdateTray();
    cycleIndex_ = cycleIndex_ < iconList_.size() - 1 ? cycleIndex_ + 1 : 0;
}

void TCoolTrayIcon::ShowMenu()
{
    if (popupMenu_ == nullptr)
        return;
    if (!CanPlaceMenuAtPointer()) {
        // The panel's own menu is on the right button; the left one does
        // what status-notifier hosts expect of it and brings the window.
        ShowMainWindow();
        return;
    }
    if (owner_ != nullptr && owner_->isVisible())
        owner_->activateWindow();
    popupMenu_->popup(QCursor::pos());
}

void TCoolTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason)
{
    if (!enabled_)
        return;
    const QPoint at = QCursor::pos();
    const TShiftState keys = KeyboardState();
    // The desktop reports presses only; each is followed by its release here.
    auto press = [&](TMouseButton button) { MouseDown(button, keys | ButtonFlag(button), at.x(), at.y()); };
    auto release = [&](TMouseButton button) { MouseUp(button, keys | ButtonFlag(button), at.x(), at.y()); };
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        press(TMouseButton::mbLeft);
        clickPending_ = true;
        if (leftPopup_)
            ShowMenu();
        if (clickPending_) {
            clickPending_ = false;
            Click();
        }
        release(TMouseButton::mbLeft);
        break;
    case QSystemTrayIcon::Context:
        // The menu is the icon's context menu: the XEmbed icon has popped
        // it already and a status-notifier host shows it itself.
        press(TMouseButton::mbRight);
        release(TMouseButton::mbRight);
        break;
    case QSystemTrayIcon::MiddleClick:
        press(TMouseButton::mbMiddle);
        release(TMouseButton::mbMiddle);
        break;
    case QSystemTrayIcon::DoubleClick:
        DblClick();
        if (popupMenu_ != nullptr && !leftPopup_) {
            QAction* item = popupMenu_->defaultAction();
            if (item != nullptr && popupMenu_->actions().contains(item) && item->isEnabled())
                item->trigger();
        }
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

bool TCoolTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_ && event->type() == QEvent::WindowStateChange && minimizeToTray_ &&
        (owner_->windowState() & Qt::WindowMinimized) && TrayAvailable()) {
        // Hidden once the window system has finished minimising it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (owner_ != nullptr && (owner_->windowState() & Qt::WindowMinimized))
                    DoMinimizeToTray();
            },
            Qt::QueuedConnection);
    }
    return false;
}

} // namespace tarnex
