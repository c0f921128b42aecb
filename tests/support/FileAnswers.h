#pragma once

#include <QString>

#include <deque>
#include <optional>
#include <vector>

// The answers of a scripted file prompt: given from a queue while every
// caption asked is recorded; with none queued the prompt counts as cancelled.
class TFileAnswers
{
public:
    // A file, or std::nullopt for Cancel.
    void Answer(std::optional<QString> file);

    const std::vector<QString>& Captions() const { return Captions_; }
    int UnexpectedCount() const { return Unexpected_; }
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    std::optional<QString> Next(const QString& caption);

private:
    std::deque<std::optional<QString>> Answers_;
    std::vector<QString> Captions_;
    int Unexpected_ = 0;
};
