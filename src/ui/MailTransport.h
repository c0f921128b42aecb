#pragma once

#include "ui/Seam.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <vector>

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

// Stands in for the mail program while it lives: records every message that
// would be sent and answers with the result set.
class TMailTransportFake : public TMailTransport
{
public:
    TMailTransportFake() = default;

    // What the following sends report; true unless set otherwise.
    void SetResult(bool delivered) { Result_ = delivered; }
    const std::vector<TOutgoingMail>& Sent() const { return Sent_; }

protected:
    bool Deliver(const TOutgoingMail& mail) override;

private:
    bool Result_ = true;
    std::vector<TOutgoingMail> Sent_;
    TSeam<TMailTransport>::TOverride Override_{*this};
};
