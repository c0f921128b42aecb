#pragma once

#include "ui/MessageBox.h"

#include <deque>
#include <vector>

struct TShownMessage
{
    TMessageKind Kind;
    TMessageButtons Buttons;
    QString Text;
    // False when no answer was queued for it, or the queued one was not
    // among its buttons; it was then given the safe answer.
    bool Expected;
};

// Stands in for the message boxes while it lives: records every message and
// answers from a queue.
class TMessageBoxScript : public TMessageBox
{
public:
    TMessageBoxScript() = default;

    // Queues the answer for the next message.
    void Answer(TMessageAnswer answer);

    const std::vector<TShownMessage>& Shown() const { return Shown_; }
    // Messages that came with no fitting answer queued.
    int UnexpectedCount() const;
    // Answers queued but not used.
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    TMessageAnswer Ask(TMessageKind kind, TMessageButtons buttons, const QString& text) override;

private:
    std::deque<TMessageAnswer> Answers_;
    std::vector<TShownMessage> Shown_;
    TSeam<TMessageBox>::TOverride Override_{*this};
};
