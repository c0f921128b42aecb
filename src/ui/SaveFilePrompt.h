#pragma once

#include "seam/Seam.h"

#include <QDate>
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
    // name typed without one; the prompt opens on proposed, a full path.
    static std::optional<QString> Ask(QWidget* parent, const QString& caption, const QString& filter,
                                      const QString& suffix, const QString& proposed);

    // fileName in the user's documents folder, or in his home folder when
    // he has none: not wherever the program happened to be started.
    static QString InDocuments(const QString& fileName);
    // "<title> <from> to <to>.<suffix>", the dates as yyyy-mm-dd, so that
    // the files of a folder sort by their dates.
    static QString RangeName(const QString& title, QDate from, QDate to, const QString& suffix);

    // QFileDialog in save mode; it asks before replacing a file.
    static TSaveFilePrompt& Real();

protected:
    virtual std::optional<QString> Prompt(QWidget* parent, const QString& caption, const QString& filter,
                                          const QString& suffix, const QString& proposed) = 0;
};
