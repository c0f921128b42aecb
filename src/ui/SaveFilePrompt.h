#pragma once

#include "ui/Seam.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

// Asks the user where to save a file.
class TSaveFilePrompt
{
public:
    virtual ~TSaveFilePrompt() = default;

    // The chosen file, or nothing when the user cancelled. filter is a file
    // dialog name filter such as "PDF files (*.pdf)"; suffix is added to a
    // name typed without one.
    static std::optional<QString> Ask(QWidget* parent, const QString& caption, const QString& filter,
                                      const QString& suffix);

    // QFileDialog in save mode; it asks before replacing a file.
    static TSaveFilePrompt& Real();

protected:
    virtual std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                          const QString& suffix) = 0;
};

// Stands in for the prompt while it lives: records every caption and
// answers from a queue; with none queued the prompt counts as cancelled.
class TSaveFilePromptScript : public TSaveFilePrompt
{
public:
    TSaveFilePromptScript() = default;

    // A file, or std::nullopt for Cancel.
    void Answer(std::optional<QString> file);

    const std::vector<QString>& Captions() const { return Captions_; }
    int UnexpectedCount() const { return Unexpected_; }
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& suffix) override;

private:
    std::deque<std::optional<QString>> Answers_;
    std::vector<QString> Captions_;
    int Unexpected_ = 0;
    TSeam<TSaveFilePrompt>::TOverride Override_{*this};
};
