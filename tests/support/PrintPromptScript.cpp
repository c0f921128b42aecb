#include "support/PrintPromptScript.h"

#include <QPrinter>

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
