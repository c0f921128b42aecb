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

void TFolderPromptScript::Answer(std::optional<QString> folder)
{
    Answers_.push_back(std::move(folder));
}

std::optional<QString> TFolderPromptScript::Prompt(const QString& caption, const QString& start)
{
    Asked_.push_back({caption, start});
    if (Answers_.empty()) {
        ++Unexpected_;
        return std::nullopt;
    }
    const std::optional<QString> folder = Answers_.front();
    Answers_.pop_front();
    return folder;
}
