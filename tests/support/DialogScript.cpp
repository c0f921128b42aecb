#include "support/DialogScript.h"

#include <QDialog>

#include <algorithm>

void TDialogScript::Answer(TAnswer answer)
{
    Answers_.push_back(std::move(answer));
}

int TDialogScript::UnexpectedCount() const
{
    return static_cast<int>(std::count_if(Runs_.begin(), Runs_.end(),
                                          [](const TRunDialog& run) { return !run.Expected; }));
}

int TDialogScript::Exec(QDialog& dialog)
{
    Runs_.push_back({QString::fromLatin1(dialog.metaObject()->className()), dialog.windowTitle(),
                     !Answers_.empty()});
    if (Answers_.empty())
        return QDialog::Rejected;
    const TAnswer answer = std::move(Answers_.front());
    Answers_.pop_front();
    dialog.show();
    int result = QDialog::Rejected;
    try {
        result = answer(dialog);
    } catch (...) {
        dialog.hide();
        throw;
    }
    if (dialog.isVisible())
        dialog.done(result);
    return result;
}
