#pragma once

#include "ui/ListBox.h"

#include <functional>

// A list box whose entries are checked or unchecked (never grayed). A click
// on an entry's box or the space bar on the current entry asks OnChanging
// first, which may refuse the change, and reports the change to OnChange.
// States set by the program raise neither.
class TCheckList : public TListBox
{
    Q_OBJECT
public:
    // row, and whether the entry is about to become checked; false keeps it.
    using TChanging = std::function<bool(int row, bool checking)>;
    using TChange = std::function<void(int row)>;

    explicit TCheckList(QWidget* parent = nullptr);

    TChanging OnChanging;
    TChange OnChange;

    bool Checked(int row) const;
    // By program: no notification.
    void SetChecked(int row, bool checked);
    int CheckedCount() const;

    // What a click on the entry's box does: asks, changes, reports.
    void ClickCheck(int row);

protected:
    void InitItem(QListWidgetItem& item) override;
};
