#include "app/DatabaseShell.h"

#include "ui/FolderPrompt.h"
#include "ui/MessageBox.h"

void TDatabaseShell::Warn(const std::string& text)
{
    TMessageBox::Show(TMessageKind::Warning, TMessageButtons::Ok, QString::fromStdString(text));
}

bool TDatabaseShell::AskFolder(const std::string& caption, std::string& folder)
{
    const auto chosen = TFolderPrompt::Ask(QString::fromStdString(caption));
    if (!chosen)
        return false;
    folder = chosen->toStdString();
    return true;
}
