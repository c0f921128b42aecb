#pragma once

#include "ui/OpenFilePrompt.h"

#include <deque>
#include <optional>
#include <vector>

// Stands in for the prompt while it lives: records every caption and
// answers from a queue; with none queued the prompt counts as cancelled.
class TOpenFilePromptScript : public TOpenFilePrompt
{
public:
    TOpenFilePromptScript() = default;

    // A file, or std::nullopt for Cancel.
    void Answer(std::optional<QString> file);

    const std::vector<QString>& Captions() const { return Captions_; }
    int UnexpectedCount() const { return Unexpected_; }
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter) override;

private:
    std::deque<std::optional<QString>> Answers_;
    std::vector<QString> Captions_;
    int Unexpected_ = 0;
    TSeam<TOpenFilePrompt>::TOverride Override_{*this};
};
