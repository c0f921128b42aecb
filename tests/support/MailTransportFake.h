#pragma once

#include "ui/MailTransport.h"

#include <vector>

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
