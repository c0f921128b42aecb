#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

// A session bus of the test's own (dbus-daemon), named in
// DBUS_SESSION_BUS_ADDRESS while it lives, and on it, when asked, a
// notification service that records what it is asked and takes actions
// as a user would.
class TNotificationServiceFake : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct TShown
    {
        uint Id;
        QString Summary;
        QString Body;
        QStringList Actions;
    };

    // withService false: the bus only, with nobody to show notifications.
    explicit TNotificationServiceFake(bool withService = true);
    ~TNotificationServiceFake() override;

    bool Running() const { return !Address_.isEmpty(); }
    std::vector<TShown> Shown;
    std::vector<uint> ClosedIds;

    // The user clicks an action of the notification.
    void Invoke(uint id, const QString& key);

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);
    QStringList GetCapabilities() const;

private:
    QProcess Daemon_;
    QString Address_;
    QByteArray FormerAddress_;
    bool HadAddress_ = false;
};
