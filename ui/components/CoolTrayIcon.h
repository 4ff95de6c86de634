// Keeps the program in the desktop's status area: an icon with a tip and a
// menu, mouse notifications turned into events, and the main window sent to
// the tray instead of the task bar.
#pragma once

#include <QFlags>
#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>

class QTimer;
class QWidget;

namespace tarnex {

class TrayPresence;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag { ssShift = 0x1, ssAlt = 0x2, ssCtrl = 0x4, ssLeft = 0x8, ssRight = 0x10, ssMiddle = 0x20 };
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

class TCoolTrayIcon : public QObject {
    Q_OBJECT

public:
    // The tip holds at most this many characters.
    static constexpr int kMaxTipLength = 63;

    // The owner is the program's main window, the one the tray shows and hides.
    explicit TCoolTrayIcon(QWidget* owner);
    // Takes the icon out of the tray.
    ~TCoolTrayIcon() override;

    // The window's construction is complete: with StartMinimized the main
    // window stays hidden (or is shown, when the desktop has no tray to
    // reach it from), then the icon is put in the tray if IconVisible. Call
    // once, at the end of building the window. The program shows the main
    // window itself only when StartMinimized is false.
    //
    // A tray may come later or go away while the program runs: the icon
    // joins it when it comes, and when it goes a hidden main window is shown,
    // since nothing else could bring it back.
    void Loaded();

    // Puts the icon in the tray (or takes it out) without changing IconVisible.
    bool DesignPreview() const { return designPreview_; }
    void SetDesignPreview(bool preview);

    // Icons shown in turn when cycling; empty means none.
    const QList<QIcon>& IconList() const { return iconList_; }
    void SetIconList(const QList<QIcon>& icons) { iconList_ = icons; }

    bool CycleIcons() const { return cycleIcons_; }
    void SetCycleIcons(bool cycle);

    // Milliseconds between cycle steps; 0 stops the cycle.
    std::uint32_t CycleInterval() const { return cycleInterval_; }
    void SetCycleInterval(std::uint32_t interval);

    // While false, mouse actions on the icon are ignored and it offers no menu.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);

    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);

    bool IconVisible() const { return iconVisible_; }
    void SetIconVisible(bool visible);

    // Cleared when the menu is destroyed. Trays that show menus themselves
    // (status-notifier hosts read it over D-Bus) get it with the icon.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu);

    // The menu also opens on the left button.
    bool LeftPopup() const { return leftPopup_; }
    void SetLeftPopup(bool left) { leftPopup_ = left; }

    bool StartMinimized() const { return startMinimized_; }
    void SetStartMinimized(bool start) { startMinimized_ = start; }

    // Minimising the main window hides it to the tray (when there is one).
    bool MinimizeToTray() const { return minimizeToTray_; }
    void SetMinimizeToTray(bool minimize) { minimizeToTray_ = minimize; }

    std::function<void(TCoolTrayIcon* Sender)> OnClick;
    std::function<void(TCoolTrayIcon* Sender)> OnDblClick;
    std::function<void(TCoolTrayIcon* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(TCoolTrayIcon* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;
    // The desktop reports no mouse movement over a tray icon to Qt programs,
    // so this is only raised through MouseMove.
    std::function<void(TCoolTrayIcon* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(TCoolTrayIcon* Sender, std::int32_t Current)> OnCycle;
    // A tray appeared (Available true) or went away.
    std::function<void(TCoolTrayIcon* Sender, bool Available)> OnTrayChange;

    // Brings the main window back from the tray or from the minimised state.
    void ShowMainWindow();
    // Hides the main window and with it its task-bar entry; the icon stays.
    // Without a tray the window stays: hidden, it could not be reached.
    void HideMainWindow();

    // Each true when the desktop took the request: adding fails without a
    // tray or when the icon is there already, removing and updating fail
    // when it is not there.
    virtual bool AddToTray();
    virtual bool RemoveFromTray();
    virtual bool UpdateTray();

    // The tip the icon carries: Hint cut to kMaxTipLength characters, or
    // empty when there is no hint to show.
    QString TipText() const;

    // Qt's icon, made when the icon first goes into a tray; null before.
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    TrayPresence* Presence() const { return presence_; }

    // The desktop has a tray of the kind the icon uses.
    virtual bool TrayAvailable() const;

protected:

    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void Cycle(std::int32_t current);
    // Hides the main window and makes sure the icon is in the tray.
    virtual void DoMinimizeToTray();

    // One step of the icon cycle, as the timer runs it.
    void CycleStep();
    void ShowMenu();
    void Activated(QSystemTrayIcon::ActivationReason reason);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PrepareTrayData();
    void UpdateTimer();
    void TrayChanged();
    QSystemTrayIcon* EnsureTrayIcon();

    QPointer<QWidget> owner_;
    TrayPresence* presence_;
    QSystemTrayIcon* tray_ = nullptr;
    // Qt decides once per program, when its first icon is made, whether
    // icons go over D-Bus or by XEmbed; this records what it chose.
    bool statusNotifierIcon_ = false;
    QString watcherOwner_;
    QTimer* timer_;
    QPointer<QMenu> popupMenu_;
    QList<QIcon> iconList_;
    QIcon icon_;
    QString hint_;
    std::uint32_t cycleInterval_ = 0;
    qsizetype cycleIndex_ = 0;
    bool designPreview_ = false;
    bool cycleIcons_ = false;
    bool enabled_ = true;
    bool showHint_ = false;
    bool iconVisible_ = true;
    bool leftPopup_ = false;
    bool startMinimized_ = false;
    bool minimizeToTray_ = false;
    bool inTray_ = false;
    bool clickPending_ = false;
    bool previewing_ = false;
    bool loaded_ = false;
};

} // namespace tarnex
