#include "ui/SaveFilePrompt.h"

#include <QFileDialog>

namespace {

class TQtSaveFilePrompt : public TSaveFilePrompt
{
protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& suffix) override
    {
        QFileDialog dialog(parent, caption, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front();
    }
};

}  // namespace

std::optional<QString> TSaveFilePrompt::Ask(QWidget* parent, const QString& caption, const QString& filter,
                                            const QString& suffix)
{
    return TSeam<TSaveFilePrompt>::Current().Prompt(parent, caption, filter, suffix);
}

TSaveFilePrompt& TSaveFilePrompt::Real()
{
    static TQtSaveFilePrompt real;
    return real;
}

void TSaveFilePromptScript::Answer(std::optional<QString> file)
{
    Answers_.push_back(std::move(file));
}

std::optional<QString> TSaveFilePromptScript::Prompt(QWidget*, const QString& caption, const QString&,
                                                     const QString&)
{
    Captions_.push_back(caption);
    if (Answers_.empty()) {
        ++Unexpected_;
        return std::nullopt;
    }
    const std::optional<QString> file = Answers_.front();
    Answers_.pop_front();
    return file;
}
