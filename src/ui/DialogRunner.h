#pragma once

#include "seam/Seam.h"

class QDialog;

// Runs the program's dialogs modally.
class TDialogRunner
{
public:
    virtual ~TDialogRunner() = default;

    // Shows the dialog modally through the current implementation;
    // QDialog::Accepted or QDialog::Rejected.
    static int Run(QDialog& dialog);

    // QDialog::exec.
    static TDialogRunner& Real();

protected:
    virtual int Exec(QDialog& dialog) = 0;
};
