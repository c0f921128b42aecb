#include "ui/OpenFilePrompt.h"

#include <QFileDialog>

namespace {

class TQtOpenFilePrompt : public TOpenFilePrompt
{
protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter) override
    {
        QFileDialog dialog(parent, caption, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front();
    }
};

}  // namespace

std::optional<QString> TOpenFilePrompt::Ask(QWidget* parent, const QString& caption, const QString& filter)
{
    return TSeam<TOpenFilePrompt>::Current().Prompt(parent, caption, filter);
}

TOpenFilePrompt& TOpenFilePrompt::Real()
{
    static TQtOpenFilePrompt real;
    return real;
}
