#include "support/MailTransportFake.h"

bool TMailTransportFake::Deliver(const TOutgoingMail& mail)
{
    Sent_.push_back(mail);
    return Result_;
}
