#pragma once

#include "ui/CommandTable.h"

class QMenu;
class TfrmMain;

// The main window's commands, one row each, and where they stand: the menu
// bar, the tool bar tbrTools and the views' pop-up menu mnuPopup.
class TMainCommands : public TCommandTable
{
public:
    explicit TMainCommands(TfrmMain& window);

    QMenu& Popup() const { return *Popup_; }

private:
    QMenu* Popup_;
};
