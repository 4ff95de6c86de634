// Whether the desktop has a tray to put an icon in, and when that changes: a
// status-notifier host on the session bus (KDE Plasma, GNOME with
// AppIndicator, ...) or an XEmbed tray manager on the X display.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

#include <cstdint>

class QTimer;

namespace tarnex {

class TrayPresence : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Looks once now and then follows the bus and the display.
    explicit TrayPresence(QObject* parent = nullptr);
    ~TrayPresence() override;

    bool StatusNotifierHost() const { return statusNotifier_; }
    bool XEmbedManager() const { return xembed_; }
    bool Any() const { return statusNotifier_ || xembed_; }
    // The bus name of the status-notifier watcher; it changes when the
    // panel restarts, and then every item must register again.
    const QString& WatcherOwner() const { return watcherOwner_; }

    // Looks again; Changed follows when anything differs.
    void Refresh();
    // What the watches found. Public so that a test can stand in for the desktop.
    void Set(bool statusNotifierHost, bool xembedManager, const QString& watcherOwner = QString());

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void Changed();

private:
    bool ProbeStatusNotifier(QString& owner) const;
    bool ProbeXEmbed();

    QTimer* settle_;
    bool statusNotifier_ = false;
    bool xembed_ = false;
    QString watcherOwner_;
    // The X side, when the program runs on an X display.
    void* xcb_ = nullptr;
    std::uint32_t selectionAtom_ = 0;
    std::uint32_t managerAtom_ = 0;
    std::uint32_t managerWindow_ = 0;
};

} // namespace tarnex
