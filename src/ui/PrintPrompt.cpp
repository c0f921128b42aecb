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

void TPrintPromptScript::Answer(std::optional<QString> pdfFile)
{
    Answers_.push_back(std::move(pdfFile));
}

bool TPrintPromptScript::Prompt(QPrinter& printer, QWidget*)
{
    ++Asked_;
    if (Answers_.empty()) {
        ++Unexpected_;
        return false;
    }
    const std::optional<QString> pdfFile = Answers_.front();
    Answers_.pop_front();
    if (!pdfFile)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*pdfFile);
    return true;
}
