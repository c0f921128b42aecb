#pragma once

#include "seam/Seam.h"

#include <QString>

#include <optional>

class QPrinter;
class QWidget;

// The system's print dialog: the user chooses the printer and its settings.
class TPrintPrompt
{
public:
    virtual ~TPrintPrompt() = default;

    // True when the user confirmed; printer then holds the choices.
    static bool Ask(QPrinter& printer, QWidget* parent);

    // QPrintDialog.
    static TPrintPrompt& Real();

protected:
    virtual bool Prompt(QPrinter& printer, QWidget* parent) = 0;
};
