#include "support/OpenFilePromptScript.h"

void TOpenFilePromptScript::Answer(std::optional<QString> file)
{
    Answers_.push_back(std::move(file));
}

std::optional<QString> TOpenFilePromptScript::Prompt(QWidget*, const QString& caption, const QString&)
{
    Captions_.push_back(caption);
    if (Answers_.empty()) {
        ++Unexpected_;
        return std::nullopt;
    }
    const std::optional<QString> file = Answers_.front();
    Answers_.pop_front();
    return file;
}
