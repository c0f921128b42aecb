#pragma once

#include "seam/Seam.h"

#include <QString>

#include <optional>

// Asks the user where the database is: a folder, picked with the means to
// create a new one, or typed; or the connection string of a PostgreSQL
// server.
class TFolderPrompt
{
public:
    virtual ~TFolderPrompt() = default;

    // The chosen folder or connection string, or nothing when the user
    // cancelled. start is the location shown first.
    static std::optional<QString> Ask(const QString& caption, const QString& start = QString());

    // A dialog with the location to type and a Browse button that opens
    // QFileDialog in directory mode.
    static TFolderPrompt& Real();

protected:
    virtual std::optional<QString> Prompt(const QString& caption, const QString& start) = 0;
};
