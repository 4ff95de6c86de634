#include "ui/components/CoolTrayIcon.h"

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

} // namespace

TCoolTrayIcon::TCoolTrayIcon(QWidget* owner)
    : QObject(owner), owner_(owner), tray_(new QSystemTrayIcon(this)), timer_(new QTimer(this))
{
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, [this] { CycleStep(); });
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
    if (owner != nullptr)
        owner->installEventFilter(this);
}

TCoolTrayIcon::~TCoolTrayIcon()
{
    TCoolTrayIcon::RemoveFromTray();
    if (owner_ != nullptr)
        owner_->removeEventFilter(this);
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
    return QSystemTrayIcon::isSystemTrayAvailable();
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
    tray_->setIcon(icon_);
    tray_->setToolTip(TipText());
}

bool TCoolTrayIcon::AddToTray()
{
    if (!previewing_)
        iconVisible_ = true;
    PrepareTrayData();
    if (inTray_ || !TrayAvailable())
        return false;
    tray_->show();
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
    if (owner_ != nullptr)
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
        press(TMouseButton::mbRight);
        ShowMenu();
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
