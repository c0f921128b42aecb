#pragma once

#include "ui/SaveFilePrompt.h"

#include "support/FileAnswers.h"

#include <vector>

// Stands in for the prompt while it lives, answering from the queue.
class TSaveFilePromptScript : public TSaveFilePrompt, public TFileAnswers
{
public:
    // The path each prompt opened on, in order.
    const std::vector<QString>& Proposed() const { return Proposed_; }

protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& suffix, const QString& proposed) override;

private:
    std::vector<QString> Proposed_;
    TSeam<TSaveFilePrompt>::TOverride Override_{*this};
};
