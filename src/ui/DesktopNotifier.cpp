#include "ui/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
QDBusMessage Call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

TDesktopNotifier::TDesktopNotifier(QObject* parent) : QObject(parent)
{
    static int made = 0;
    Connection_ = QStringLiteral("orbeko-notifications-%1").arg(++made);
}

TDesktopNotifier::~TDesktopNotifier()
{
    if (!Connected_)
        return;
    for (const auto& [ticket, id] : Ids_)
        if (id != 0)
            Bus().asyncCall(Call(QStringLiteral("CloseNotification")) << id);
    QDBusConnection::disconnectFromBus(Connection_);
}

QDBusConnection TDesktopNotifier::Bus() const
{
    return QDBusConnection(Connection_);
}

bool TDesktopNotifier::Connect()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (Connected_ && Bus().isConnected() && address == Address_)
        return true;
    if (Connected_) {
        // The session bus went or moved: its notifications went with it.
        QDBusConnection::disconnectFromBus(Connection_);
        Ids_.clear();
        CloseWhenShown_.clear();
        Connected_ = false;
    }
    // A connection of its own, made when first needed, so that a bus that
    // appears later (or a test's own bus) is found.
    // By its address when there is one: the bus library reads the variable
    // only once per process.
    QDBusConnection bus = address.isEmpty()
                              ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, Connection_)
                              : QDBusConnection::connectToBus(QString::fromLocal8Bit(address), Connection_);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(Connection_);
        return false;
    }
    Address_ = address;
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(OnNotificationClosed(uint, uint)));
    Connected_ = true;
    return true;
}

quint64 TDesktopNotifier::Show(const QString& summary, const QString& body, const TActions& actions)
{
    if (!Connect())
        return 0;
    QStringList pairs;
    for (const auto& [key, caption] : actions)
        pairs << key << caption;
    QDBusMessage notify = Call(QStringLiteral("Notify"));
    notify << QStringLiteral("Orbeko") << uint(0) << QStringLiteral("appointment-soon") << summary << body << pairs
           << QVariantMap{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}} << int(0);
    const quint64 ticket = ++LastTicket_;
    Ids_[ticket] = 0;
    auto* watcher = new QDBusPendingCallWatcher(Bus().asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, ticket](QDBusPendingCallWatcher* call) {
        Shown(ticket, *call);
        call->deleteLater();
    });
    return ticket;
}

void TDesktopNotifier::Shown(quint64 ticket, QDBusPendingCallWatcher& call)
{
    const QDBusPendingReply<uint> reply = call;
    const auto found = Ids_.find(ticket);
    if (found == Ids_.end())
        return;
    if (reply.isError()) {
        Ids_.erase(found);
        CloseWhenShown_.erase(ticket);
        return;
    }
    found->second = reply.value();
    if (CloseWhenShown_.erase(ticket) != 0)
        Close(ticket);
}

void TDesktopNotifier::Close(quint64 ticket)
{
    const auto found = Ids_.find(ticket);
    if (found == Ids_.end())
        return;
    if (found->second == 0) {
        CloseWhenShown_.insert(ticket);
        return;
    }
    Bus().asyncCall(Call(QStringLiteral("CloseNotification")) << found->second);
    Ids_.erase(found);
}

quint64 TDesktopNotifier::TicketOf(uint id) const
{
    for (const auto& [ticket, shown] : Ids_)
        if (shown == id)
            return ticket;
    return 0;
}

void TDesktopNotifier::OnActionInvoked(uint id, const QString& key)
{
    if (const quint64 ticket = TicketOf(id); ticket != 0)
        emit ActionInvoked(ticket, key);
}

void TDesktopNotifier::OnNotificationClosed(uint id, uint)
{
    if (const quint64 ticket = TicketOf(id); ticket != 0) {
        Ids_.erase(ticket);
        emit Closed(ticket);
    }
}
