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
