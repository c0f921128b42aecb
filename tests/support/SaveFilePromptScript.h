#pragma once

#include "ui/SaveFilePrompt.h"

#include "support/FileAnswers.h"

// Stands in for the prompt while it lives, answering from the queue.
class TSaveFilePromptScript : public TSaveFilePrompt, public TFileAnswers
{
protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& suffix) override;

private:
    TSeam<TSaveFilePrompt>::TOverride Override_{*this};
};
