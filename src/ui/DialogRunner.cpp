#include "ui/DialogRunner.h"

#include "ui/AccessibleNames.h"

#include <QDialog>

namespace {

class TQtDialogRunner : public TDialogRunner
{
protected:
    int Exec(QDialog& dialog) override { return dialog.exec(); }
};

}  // namespace

int TDialogRunner::Run(QDialog& dialog)
{
    // Controls a dialog adds while it lives are named on each run.
    TAccessibleNames::Apply(dialog);
    return TSeam<TDialogRunner>::Current().Exec(dialog);
}

TDialogRunner& TDialogRunner::Real()
{
    static TQtDialogRunner real;
    return real;
}
