#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <set>
#include <utility>
#include <vector>

class QDBusConnection;
class QDBusPendingCallWatcher;

// The desktop's own notifications, through the freedesktop notification
// service on the session bus. No call waits for the service: one that hangs
// or is missing costs the program nothing, and then nothing is shown.
class TDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    using TActions = std::vector<std::pair<QString, QString>>;  // key, caption

    explicit TDesktopNotifier(QObject* parent = nullptr);
    ~TDesktopNotifier() override;

    // Asks for a notification with the actions; 0 when there is no session
    // bus. The ticket names it in Close and in the signals.
    quint64 Show(const QString& summary, const QString& body, const TActions& actions);
    // Takes the notification away, also one the service has not yet
    // confirmed.
    void Close(quint64 ticket);

signals:
    void ActionInvoked(quint64 ticket, const QString& key);
    // The service took it away (expired, dismissed, or after Close).
    void Closed(quint64 ticket);

private slots:
    void OnActionInvoked(uint id, const QString& key);
    void OnNotificationClosed(uint id, uint reason);

private:
    bool Connect();
    QDBusConnection Bus() const;
    void Shown(quint64 ticket, QDBusPendingCallWatcher& call);
    quint64 TicketOf(uint id) const;

    QString Connection_;  // a connection of its own, by name
    QByteArray Address_;  // the session bus it was made to
    bool Connected_ = false;
    quint64 LastTicket_ = 0;
    std::map<quint64, uint> Ids_;  // the service's id by ticket, 0 until it answers
    std::set<quint64> CloseWhenShown_;  // closed before the service answered
};
