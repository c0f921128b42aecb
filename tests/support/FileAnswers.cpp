#include "support/FileAnswers.h"

void TFileAnswers::Answer(std::optional<QString> file)
{
    Answers_.push_back(std::move(file));
}

std::optional<QString> TFileAnswers::Next(const QString& caption)
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
