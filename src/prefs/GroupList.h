#pragma once

class TListBox;
class TOrbekoCfg;

// Lists the groups in use, in slot order: each entry shows the group's
// Description and carries its slot index. A sorted list sorts them.
void FillGroups(TListBox& list, const TOrbekoCfg& settings);
