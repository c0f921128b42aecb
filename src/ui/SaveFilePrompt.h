#pragma once

#include "ui/Seam.h"

#include <QString>

#include <optional>

class QWidget;

// Asks the user where to save a file.
class TSaveFilePrompt
{
public:
    virtual ~TSaveFilePrompt() = default;

    // The chosen file, or nothing when the user cancelled. filter is a file
    // dialog name filter such as "PDF files (*.pdf)"; suffix is added to a
    // name typed without one.
    static std::optional<QString> Ask(QWidget* parent, const QString& caption, const QString& filter,
                                      const QString& suffix);

    // QFileDialog in save mode; it asks before replacing a file.
    static TSaveFilePrompt& Real();

protected:
    virtual std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                          const QString& suffix) = 0;
};
