#include "app/DiaryOutage.h"

#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"
#include "ui/MessageBox.h"

bool TDiaryOutage::Away()
{
    return !StoreLocation::IsServer(Location_) && Told(StoreHomes::Unreachable(Location_));
}

bool TDiaryOutage::Failed()
{
    // The failure's own text is the store's status; the home knows what
    // its connections or its folder met.
    return Told(StoreHomes::Unreachable(Location_));
}

bool TDiaryOutage::Told(const std::string& cause)
{
    if (cause.empty())
        return false;
    if (!Out_)
        TMessageBox::Show(TMessageKind::Warning, TMessageButtons::Ok, QString::fromStdString(Message(cause)));
    Out_ = true;
    return true;
}

std::string TDiaryOutage::Message(const std::string& cause) const
{
    return std::string(StoreLocation::IsServer(Location_) ? "The diary server " : "The diary folder ") +
           StoreHomes::Shown(Location_) + " cannot be reached: " + cause + ". Orbeko tries again every ten seconds.";
}
