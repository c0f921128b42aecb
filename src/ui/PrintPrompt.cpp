#include "ui/PrintPrompt.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {

class TQtPrintPrompt : public TPrintPrompt
{
protected:
    bool Prompt(QPrinter& printer, QWidget* parent) override
    {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

}  // namespace

bool TPrintPrompt::Ask(QPrinter& printer, QWidget* parent)
{
    return TSeam<TPrintPrompt>::Current().Prompt(printer, parent);
}

TPrintPrompt& TPrintPrompt::Real()
{
    static TQtPrintPrompt real;
    return real;
}
