#pragma once

#include "ui/OpenFilePrompt.h"

#include "support/FileAnswers.h"

// Stands in for the prompt while it lives, answering from the queue.
class TOpenFilePromptScript : public TOpenFilePrompt, public TFileAnswers
{
protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter) override;

private:
    TSeam<TOpenFilePrompt>::TOverride Override_{*this};
};
