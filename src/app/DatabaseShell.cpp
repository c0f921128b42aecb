#include "app/DatabaseShell.h"

#include "storage/RegistryKey.h"
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

bool TDatabaseShell::Confirm(const std::string& text)
{
    return TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, QString::fromStdString(text)) ==
           TMessageAnswer::Yes;
}

std::unique_ptr<TOrbekoDB> TDatabaseShell::Connect()
{
    for (;;) {
        try {
            return std::make_unique<TOrbekoDB>(*this);
        } catch (const EOrbekoDB& error) {
            // Without the registry key there is no folder to choose.
            auto key = TRegistryKey::Open(false);
            if (!key)
                throw;
            const auto answer = TMessageBox::Show(
                TMessageKind::Error, TMessageButtons::ChooseRetryExit,
                QString::fromStdString(error.what()) +
                    QStringLiteral("\r\rChoose another folder, try again once the cause is mended, or exit."));
            if (answer == TMessageAnswer::Exit)
                return nullptr;
            // The folder remembered so far stays until another is chosen.
            std::string folder;
            if (answer == TMessageAnswer::Choose && AskFolder("Select Orbeko Database Location?", folder) &&
                !folder.empty())
                key->WriteText(QStringLiteral("RootPath"), QString::fromStdString(folder));
        }
    }
}
