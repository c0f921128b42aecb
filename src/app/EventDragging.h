#pragma once

#include "events/EventMove.h"

#include <QObject>

#include <optional>
#include <span>
#include <string>

class QAction;
class TCalendarView;
class TfrmMain;

// Answers the views' drags of events for the main window: who may drag
// which event, the move itself through the event commands' locks, and
// Ctrl+Z, which takes back the last move made here while nobody has changed
// the event since. Occurrences of a series are not dragged: a move of one
// of them is a question of which occurrences, which the editor asks.
class TEventDragging : public QObject
{
    Q_OBJECT
public:
    TEventDragging(TfrmMain& window, std::span<TCalendarView* const> views);

    bool MayMove(const std::string& entryId);
    bool Move(const std::string& entryId, const std::string& start, const std::string& end);
    // False, with the reason told, when there is nothing to undo or the
    // event has changed since.
    bool UndoLast();
    bool CanUndo() const { return Last_.has_value(); }

private:
    TfrmMain& Window_;
    QAction* Undo_;
    std::optional<TEventMove::TDone> Last_;
};
