#include "ui/SaveFilePrompt.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

class TQtSaveFilePrompt : public TSaveFilePrompt
{
protected:
    std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& suffix, const QString& proposed) override
    {
        // A path with a file name opens its folder with the name filled in.
        QFileDialog dialog(parent, caption, proposed, filter);
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
                                            const QString& suffix, const QString& proposed)
{
    return TSeam<TSaveFilePrompt>::Current().Prompt(parent, caption, filter, suffix, proposed);
}

QString TSaveFilePrompt::InDocuments(const QString& fileName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(fileName);
}

QString TSaveFilePrompt::RangeName(const QString& title, QDate from, QDate to, const QString& suffix)
{
    return QStringLiteral("%1 %2 to %3.%4")
        .arg(title, from.toString(Qt::ISODate), to.toString(Qt::ISODate), suffix);
}

TSaveFilePrompt& TSaveFilePrompt::Real()
{
    static TQtSaveFilePrompt real;
    return real;
}
