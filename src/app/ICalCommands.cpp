#include "app/ICalCommands.h"

#include "app/frmDateRange.h"
#include "events/EventCommands.h"
#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
#include "prefs/FilterRules.h"
#include "prefs/Session.h"
#include "ui/MessageBox.h"
#include "ui/OpenFilePrompt.h"
#include "ui/SaveFilePrompt.h"
#include "ui/WaitCursor.h"

#include <QDialog>
#include <QFile>
#include <QSaveFile>

namespace {

// More report lines than this make a message box taller than the screen;
// the rest are counted instead.
constexpr std::size_t kReportsShown = 20;

void Tell(TMessageKind kind, const QString& text)
{
    TMessageBox::Show(kind, TMessageButtons::Ok, text);
}

QString SummaryText(const TICalImport::TOutcome& outcome)
{
    TICalImport::TOutcome shown = outcome;
    if (shown.Reports.size() > kReportsShown) {
        shown.Reports.resize(kReportsShown);
        shown.Reports.push_back("... and " + std::to_string(outcome.Reports.size() - kReportsShown) +
                                " more not shown");
    }
    return QString::fromStdString(shown.Summary());
}

}  // namespace

void TICalCommands::RunExport(const TEventUser& user, QDate from, QDate to)
{
    if (Range_.Execute(QString::fromLatin1(ExportCaption), QStringLiteral("Export the events you can see between"),
                       from, to) != QDialog::Accepted)
        return;
    const std::optional<QString> file = TSaveFilePrompt::Ask(
        Parent_, QString::fromLatin1(ExportCaption), QString::fromLatin1(FileFilter), QStringLiteral("ics"),
        TSaveFilePrompt::InDocuments(TSaveFilePrompt::RangeName(QStringLiteral("Orbeko"), from, to, QStringLiteral("ics"))));
    if (!file)
        return;
    TICalExport exporter(Db_);
    {
        const TWaitCursor wait;
        TICalExport::TOptions options{from, to, {}, user.Session.UserId()};
        options.Visible = [&user](const TDayEntryRec& entry) {
            return EntryVisible(entry, user.ViewRules, user.Session);
        };
        const std::string text = exporter.Export(options);
        // Written aside and put in place whole: a failed export leaves any
        // earlier file as it was.
        QSaveFile out(*file);
        if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), qint64(text.size())) < 0 || !out.commit()) {
            Tell(TMessageKind::Error, QStringLiteral("Unable to write ") + *file + QStringLiteral(": ") + out.errorString());
            return;
        }
    }
    const QString events = exporter.Count() == 1 ? QStringLiteral("event") : QStringLiteral("events");
    Tell(TMessageKind::Information, QStringLiteral("Exported %1 %2 to %3").arg(exporter.Count()).arg(events, *file));
}

bool TICalCommands::RunImport(const std::string& userId, QDate from, QDate to)
{
    const std::optional<QString> file =
        TOpenFilePrompt::Ask(Parent_, QString::fromLatin1(ImportCaption), QString::fromLatin1(FileFilter));
    if (!file)
        return false;
    if (Range_.Execute(QString::fromLatin1(ImportCaption),
                       QStringLiteral("Repeat recurring events on the days between"), from, to) != QDialog::Accepted)
        return false;
    QFile in(*file);
    if (!in.open(QIODevice::ReadOnly)) {
        Tell(TMessageKind::Error, QStringLiteral("Unable to read ") + *file + QStringLiteral(": ") + in.errorString());
        return false;
    }
    TICalImport::TOutcome outcome;
    {
        const TWaitCursor wait;
        outcome = TICalImport(Db_, userId).Import(in.readAll().toStdString(), from, to);
    }
    Tell(outcome.Refused > 0 || outcome.Read == 0 ? TMessageKind::Warning : TMessageKind::Information,
         SummaryText(outcome));
    return outcome.Added > 0;
}
