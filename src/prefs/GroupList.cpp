#include "prefs/GroupList.h"

#include "prefs/OrbekoCfg.h"
#include "ui/ListBox.h"

void FillGroups(TListBox& list, const TOrbekoCfg& settings)
{
    list.clear();
    for (int slot = 0; slot < TOrbekoCfg::GroupCount; ++slot) {
        const TGroup& group = settings.Groups[slot];
        if (!group.Description.isEmpty())
            list.AddItem(group.Description, slot);
    }
}
