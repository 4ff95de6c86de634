#include "ui/components/TrayPresence.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace tarnex {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// A panel that has just appeared may take a moment to settle its selection
// or register its host; events that come close together are looked at once.
constexpr int kSettleMs = 150;
// Blocking bus calls: the watcher is a local service that answers at once
// or not at all.
constexpr int kBusTimeoutMs = 1500;

// The X screen of $DISPLAY (":0.1" is screen 1).
int DisplayScreen()
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr)
        return 0;
    const std::string s(display);
    const auto colon = s.rfind(':');
    const auto dot = s.find('.', colon == std::string::npos ? 0 : colon);
    return dot == std::string::npos ? 0 : std::atoi(s.c_str() + dot + 1);
}

xcb_atom_t Atom(xcb_connection_t* c, const std::string& name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

} // namespace

TrayPresence::TrayPresence(QObject* parent) : QObject(parent), settle_(new QTimer(this))
{
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &TrayPresence::Refresh);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(kWatcherService, bus,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, settle_, qOverload<>(&QTimer::start));
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus.connect(kWatcherService, kWatcherPath, kWatcherService, QString::fromLatin1(signal), settle_,
                        SLOT(start()));
    }

    auto* x11 = qGuiApp != nullptr && QGuiApplication::platformName() == QLatin1String("xcb")
                    ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    if (x11 != nullptr && x11->connection() != nullptr) {
        auto* c = x11->connection();
        xcb_ = c;
        selectionAtom_ = Atom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(DisplayScreen()));
        managerAtom_ = Atom(c, "MANAGER");
        // Qt listens on the root window for the MANAGER message a new tray sends.
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    QString owner;
    statusNotifier_ = ProbeStatusNotifier(owner);
    watcherOwner_ = owner;
    xembed_ = ProbeXEmbed();
}

TrayPresence::~TrayPresence()
{
    if (xcb_ != nullptr && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayPresence::Refresh()
{
    QString owner;
    const bool statusNotifier = ProbeStatusNotifier(owner);
    Set(statusNotifier, ProbeXEmbed(), owner);
}

void TrayPresence::Set(bool statusNotifierHost, bool xembedManager, const QString& watcherOwner)
{
    if (statusNotifierHost == statusNotifier_ && xembedManager == xembed_ && watcherOwner == watcherOwner_)
        return;
    statusNotifier_ = statusNotifierHost;
    xembed_ = xembedManager;
    watcherOwner_ = watcherOwner;
    emit Changed();
}

bool TrayPresence::ProbeStatusNotifier(QString& owner) const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    const QDBusReply<QString> name = bus.interface()->serviceOwner(kWatcherService);
    if (!name.isValid())
        return false;
    owner = name.value();
    // A watcher without a host has nothing that shows the icons.
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setAutoStartService(false);
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

bool TrayPresence::ProbeXEmbed()
{
    auto* c = static_cast<xcb_connection_t*>(xcb_);
    if (c == nullptr || selectionAtom_ == XCB_ATOM_NONE)
        return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selectionAtom_), nullptr), &std::free);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    if (owner != XCB_WINDOW_NONE && owner != managerWindow_) {
        // Its end comes as a DestroyNotify, once we listen for it.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, owner, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
    managerWindow_ = owner;
    return owner != XCB_WINDOW_NONE;
}

bool TrayPresence::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->type == managerAtom_ && m->format == 32 && m->data.data32[1] == selectionAtom_)
            settle_->start();
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (managerWindow_ != 0 && destroyed->window == managerWindow_)
            settle_->start();
        break;
    }
    default:
        break;
    }
    // Qt handles the same events for its own tray icon.
    return false;
}

} // namespace tarnex
