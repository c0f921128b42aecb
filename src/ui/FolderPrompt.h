#pragma once

#include "ui/Seam.h"

#include <QString>

#include <optional>

// Asks the user to pick a folder, with the means to create a new one.
class TFolderPrompt
{
public:
    virtual ~TFolderPrompt() = default;

    // The chosen folder, or nothing when the user cancelled. start is the
    // folder shown first (the current folder when empty).
    static std::optional<QString> Ask(const QString& caption, const QString& start = QString());

    // QFileDialog in directory mode.
    static TFolderPrompt& Real();

protected:
    virtual std::optional<QString> Prompt(const QString& caption, const QString& start) = 0;
};
