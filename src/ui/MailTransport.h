#pragma once

#include "seam/Seam.h"

#include <QList>
#include <QString>
#include <QUrl>

struct TMailRecipient
{
    // The display name; with no address the mail program resolves it
    // through its address book.
    QString Name;
    QString Address;
};

struct TOutgoingMail
{
    QString Subject;
    QString Body;
    QList<TMailRecipient> To;
};

// Hands mail to the workstation's mail program, where the sender reviews it
// and sends it (or not).
class TMailTransport
{
public:
    virtual ~TMailTransport() = default;

    // False when no mail program took the message.
    static bool Send(const TOutgoingMail& mail);

    // The mailto: link for a message: recipients comma-separated, subject and
    // body as UTF-8 percent-encoded fields, line breaks of the body as CR LF.
    static QUrl MailtoUrl(const TOutgoingMail& mail);

    // Opens the mailto: link with the desktop's mail program.
    static TMailTransport& Real();

protected:
    virtual bool Deliver(const TOutgoingMail& mail) = 0;
};
