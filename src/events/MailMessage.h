#pragma once

#include "ui/MailTransport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

class TStamp;

// A message that no mail program took.
class EMailMessage : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One e-mail for the workstation's mail program, where the sender reviews
// it and sends it.
class TMailMessage
{
public:
    QList<TMailRecipient> ToRecipients;
    QString Subject;
    QStringList MessageText;

    // The lines, each followed by a carriage return and line feed.
    QString Body() const;
    // Throws EMailMessage when no mail program took the message.
    void Send() const;
};

// Tells the recipients of a new (isEdit false) or changed event about it:
// its description and when, the stamp shown as "dddd mmmm dd, hh:nn" (the
// stamp keeps that display format). Sends nothing to nobody; throws
// EMailMessage when the message could not be handed over.
void SendNotification(TMailMessage& message, bool isEdit, const QList<TMailRecipient>& recipients,
                      const QString& description, TStamp& when);
