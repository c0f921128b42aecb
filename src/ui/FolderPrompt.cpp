#include "ui/FolderPrompt.h"

#include "ui/ButtonRow.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Where the database is: a folder, typed or picked (QFileDialog in
// directory mode, which can make a new folder), or a PostgreSQL server's
// connection string, typed.
class TLocationDialog : public QDialog
{
public:
    TLocationDialog(const QString& caption, const QString& start) : QDialog(QApplication::activeWindow())
    {
        setWindowTitle(caption);
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(
            QStringLiteral("&Folder of the database, or the connection string of a PostgreSQL server\n"
                           "(for example postgresql://server/orbeko or host=server dbname=orbeko):"),
            this);
        layout->addWidget(label);
        auto* row = new QHBoxLayout;
        edtLocation = new QLineEdit(start, this);
        edtLocation->setObjectName(QStringLiteral("edtLocation"));
        edtLocation->setMinimumWidth(420);
        label->setBuddy(edtLocation);
        row->addWidget(edtLocation);
        auto* btnBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
        btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
        btnBrowse->setAutoDefault(false);
        connect(btnBrowse, &QPushButton::clicked, this, [this] { Browse(); });
        row->addWidget(btnBrowse);
        layout->addLayout(row);
        auto* buttons = new TButtonRow(this);
        QPushButton* btnOk = buttons->Add("btnOk", "&Ok", [this] { accept(); }, TButtonRole::Default);
        buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);
        layout->addWidget(buttons);
        const auto enable = [this, btnOk] { btnOk->setEnabled(!Location().isEmpty()); };
        connect(edtLocation, &QLineEdit::textChanged, this, enable);
        enable();
    }

    QString Location() const { return edtLocation->text().trimmed(); }

private:
    void Browse()
    {
        QFileDialog dialog(this, windowTitle(), Location());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            edtLocation->setText(dialog.selectedFiles().front());
    }

    QLineEdit* edtLocation;
};

class TQtFolderPrompt : public TFolderPrompt
{
protected:
    std::optional<QString> Prompt(const QString& caption, const QString& start) override
    {
        TLocationDialog dialog(caption, start);
        if (dialog.exec() != QDialog::Accepted || dialog.Location().isEmpty())
            return std::nullopt;
        return dialog.Location();
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
