#include "support/FolderPromptScript.h"

void TFolderPromptScript::Answer(std::optional<QString> folder)
{
    Answers_.push_back(std::move(folder));
}

std::optional<QString> TFolderPromptScript::Prompt(const QString& caption, const QString& start)
{
    Asked_.push_back({caption, start});
    if (Answers_.empty()) {
        ++Unexpected_;
        return std::nullopt;
    }
    const std::optional<QString> folder = Answers_.front();
    Answers_.pop_front();
    return folder;
}
