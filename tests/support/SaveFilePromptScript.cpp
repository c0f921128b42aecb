#include "support/SaveFilePromptScript.h"

void TSaveFilePromptScript::Answer(std::optional<QString> file)
{
    Answers_.push_back(std::move(file));
}

std::optional<QString> TSaveFilePromptScript::Prompt(QWidget*, const QString& caption, const QString&,
                                                     const QString&)
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
