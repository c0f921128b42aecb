#include "events/MailMessage.h"

#include "storage/Stamp.h"
#include "ui/MailTransport.h"

QString TMailMessage::Body() const
{
    QString body;
    for (const QString& line : MessageText)
        body += line + QStringLiteral("\r\n");
    return body;
}

void TMailMessage::Send() const
{
    TOutgoingMail mail;
    mail.Subject = Subject;
    mail.Body = Body();
    mail.To = ToRecipients;
    if (!TMailTransport::Send(mail))
        throw EMailMessage("No mail program took the message");
}

void SendNotification(TMailMessage& message, bool isEdit, const QList<TMailRecipient>& recipients,
                      const QString& description, TStamp& when)
{
    message.ToRecipients = recipients;
    if (message.ToRecipients.isEmpty())
        return;
    when.DisplayFormat = QStringLiteral("dddd mmmm dd, hh:nn");
    message.MessageText.clear();
    if (isEdit) {
        message.Subject = QStringLiteral("Updated Orbeko Event");
        message.MessageText.append(
            QStringLiteral("An event in Orbeko relating to you has been updated. The details are:"));
    } else {
        message.Subject = QStringLiteral("New Orbeko Event");
        message.MessageText.append(QStringLiteral("A new event has been added into Orbeko for you. The details are:"));
    }
    message.MessageText.append(QString());
    message.MessageText.append(description);
    message.MessageText.append(when.DisplayText());
    message.Send();
}
