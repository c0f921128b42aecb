#include "NotificationServiceFake.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

const QString kConnection = QStringLiteral("notification-service-fake");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

TNotificationServiceFake::TNotificationServiceFake(bool withService)
{
    HadAddress_ = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    FormerAddress_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    Daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    if (!Daemon_.waitForStarted(5000) || !Daemon_.waitForReadyRead(5000))
        return;
    Address_ = QString::fromUtf8(Daemon_.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", Address_.toUtf8());
    if (!withService)
        return;
    QDBusConnection bus = QDBusConnection::connectToBus(Address_, kConnection);
    if (!bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        Address_.clear();
}

TNotificationServiceFake::~TNotificationServiceFake()
{
    QDBusConnection::disconnectFromBus(kConnection);
    if (HadAddress_)
        qputenv("DBUS_SESSION_BUS_ADDRESS", FormerAddress_);
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    Daemon_.kill();
    Daemon_.waitForFinished(5000);
}

void TNotificationServiceFake::Invoke(uint id, const QString& key)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    signal << id << key;
    QDBusConnection(kConnection).send(signal);
    QDBusMessage closed = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("NotificationClosed"));
    closed << id << uint(2);
    QDBusConnection(kConnection).send(closed);
}

uint TNotificationServiceFake::Notify(const QString&, uint, const QString&, const QString& summary,
                                      const QString& body, const QStringList& actions, const QVariantMap&, int)
{
    Shown.push_back({static_cast<uint>(Shown.size() + 1), summary, body, actions});
    return Shown.back().Id;
}

void TNotificationServiceFake::CloseNotification(uint id)
{
    ClosedIds.push_back(id);
}

QStringList TNotificationServiceFake::GetCapabilities() const
{
    return {QStringLiteral("actions"), QStringLiteral("body")};
}
