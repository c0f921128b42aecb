#include "ui/MailTransport.h"

#include "ui/WaitCursor.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Everything but letters, digits and "-._~" is percent-encoded, so that no
// character of a field can end it or start another.
QByteArray Encoded(const QString& text)
{
    return QUrl::toPercentEncoding(text);
}

// A name holding characters that have a meaning in an address list is
// quoted, so that "Smith, Ann" stays one recipient.
QString QuotedName(const QString& name)
{
    static const QRegularExpression special(QStringLiteral("[\"(),:;<>@\\[\\]\\\\]"));
    if (!name.contains(special))
        return name;
    QString escaped = name;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return u'"' + escaped + u'"';
}

QString RecipientText(const TMailRecipient& recipient)
{
    if (recipient.Address.isEmpty())
        return QuotedName(recipient.Name);
    if (recipient.Name.isEmpty())
        return recipient.Address;
    return QuotedName(recipient.Name) + QStringLiteral(" <") + recipient.Address + u'>';
}

// Mail wants CR LF between lines, whatever the text came with.
QString CrLfLines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QString lines = text;
    lines.replace(lineBreak, QStringLiteral("\r\n"));
    return lines;
}

class TDesktopMailTransport : public TMailTransport
{
protected:
    bool Deliver(const TOutgoingMail& mail) override
    {
        const TWaitCursor wait;
        return QDesktopServices::openUrl(MailtoUrl(mail));
    }
};

}  // namespace

bool TMailTransport::Send(const TOutgoingMail& mail)
{
    return TSeam<TMailTransport>::Current().Deliver(mail);
}

QUrl TMailTransport::MailtoUrl(const TOutgoingMail& mail)
{
    QByteArrayList recipients;
    for (const TMailRecipient& recipient : mail.To)
        recipients.append(Encoded(RecipientText(recipient)));
    QByteArray link = "mailto:" + recipients.join(',');
    link += "?subject=" + Encoded(mail.Subject);
    link += "&body=" + Encoded(CrLfLines(mail.Body));
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}

TMailTransport& TMailTransport::Real()
{
    static TDesktopMailTransport real;
    return real;
}
