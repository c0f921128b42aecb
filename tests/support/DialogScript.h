#pragma once

#include "ui/DialogRunner.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

struct TRunDialog
{
    QString ClassName;
    QString Title;
    // False when no answer was queued for it; it was then rejected.
    bool Expected;
};

// Stands in for modal runs while it lives. Each run shows the dialog (not
// modally), hands it to the next queued answer, which may fill it in and
// press its buttons, and closes it with the code the answer returns if it
// is still open.
class TDialogScript : public TDialogRunner
{
public:
    using TAnswer = std::function<int(QDialog& dialog)>;

    TDialogScript() = default;

    void Answer(TAnswer answer);

    const std::vector<TRunDialog>& Runs() const { return Runs_; }
    int UnexpectedCount() const;
    int PendingCount() const { return static_cast<int>(Answers_.size()); }

protected:
    int Exec(QDialog& dialog) override;

private:
    std::deque<TAnswer> Answers_;
    std::vector<TRunDialog> Runs_;
    TSeam<TDialogRunner>::TOverride Override_{*this};
};
