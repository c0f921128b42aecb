#pragma once

class QComboBox;
class TCheckList;
class TXIsamFile;

// The user and category choices of the event editor and the report dialog.
// A read that fails before the end of the file throws its StatusText, so a
// list cut short never passes for the whole file.

// One unchecked item per user in identifier order: the full name, carrying
// the user's identifier as a number.
void FillUserList(TCheckList& list, TXIsamFile& users);

// "<None>" (carrying 0) first, then every category by description, each
// carrying its identifier as a number.
void FillCategoryList(QComboBox& box, TXIsamFile& categories);
