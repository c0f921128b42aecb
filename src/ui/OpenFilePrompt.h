#pragma once

#include "seam/Seam.h"

#include <QString>

#include <optional>

class QWidget;

// Asks the user for an existing file to open.
class TOpenFilePrompt
{
public:
    virtual ~TOpenFilePrompt() = default;

    // The chosen file, or nothing when the user cancelled. filter is a file
    // dialog name filter such as "iCalendar files (*.ics)".
    static std::optional<QString> Ask(QWidget* parent, const QString& caption, const QString& filter);

    // QFileDialog in open mode; only an existing file can be chosen.
    static TOpenFilePrompt& Real();

protected:
    virtual std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter) = 0;
};
