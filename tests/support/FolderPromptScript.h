#pragma once

#include "ui/FolderPrompt.h"

#include <deque>
#include <optional>
#include <vector>

struct TFolderAsked
{
    QString Caption;
    QString Start;
};

// Stands in for the folder prompt while it lives: records every prompt and
// answers from a queue; with none queued the prompt counts as cancelled.
class TFolderPromptScript : public TFolderPrompt
{
public:
    TFolderPromptScript() = default;

    // A folder, or std::nullopt for Cancel.
    void Answer(std::optional<QString> folder);

    const std::vector<TFolderAsked>& Asked() const { return Asked_; }
    int UnexpectedCount() const { return Unexpected_; }
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    std::optional<QString> Prompt(const QString& caption, const QString& start) override;

private:
    std::deque<std::optional<QString>> Answers_;
    std::vector<TFolderAsked> Asked_;
    int Unexpected_ = 0;
    TSeam<TFolderPrompt>::TOverride Override_{*this};
};
