#include "ui/FolderPrompt.h"

#include <QApplication>
#include <QFileDialog>

namespace {

class TQtFolderPrompt : public TFolderPrompt
{
protected:
    std::optional<QString> Prompt(const QString& caption, const QString& start) override
    {
        QFileDialog dialog(QApplication::activeWindow(), caption, start);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front();
    }
};

}  // namespace

std::optional<QString> TFolderPrompt::Ask(const QString& caption, const QString& start)
{
    return TSeam<TFolderPrompt>::Current().Prompt(caption, start);
}

TFolderPrompt& TFolderPrompt::Real()
{
    static TQtFolderPrompt real;
    return real;
}
