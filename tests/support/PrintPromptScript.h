#pragma once

#include "ui/PrintPrompt.h"

#include <deque>
#include <optional>

// Stands in for the print dialog while it lives: answers from a queue,
// confirming with the printer writing a PDF file, or cancelling; with none
// queued the dialog counts as cancelled.
class TPrintPromptScript : public TPrintPrompt
{
public:
    TPrintPromptScript() = default;

    // A PDF file to print to, or std::nullopt for Cancel.
    void Answer(std::optional<QString> pdfFile);

    int AskedCount() const { return Asked_; }
    int UnexpectedCount() const { return Unexpected_; }
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    bool Prompt(QPrinter& printer, QWidget* parent) override;

private:
    std::deque<std::optional<QString>> Answers_;
    int Asked_ = 0;
    int Unexpected_ = 0;
    TSeam<TPrintPrompt>::TOverride Override_{*this};
};
