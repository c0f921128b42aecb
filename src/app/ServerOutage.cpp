#include "app/ServerOutage.h"

#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"
#include "ui/MessageBox.h"

bool TServerOutage::Failed()
{
    if (!StoreLocation::IsServer(Location_))
        return false;
    // The failure's own text is the store's status; the server home knows
    // what its connections met.
    const std::string cause = StoreHomes::Unreachable(Location_);
    if (cause.empty())
        return false;
    if (!Out_)
        TMessageBox::Show(TMessageKind::Warning, TMessageButtons::Ok, QString::fromStdString(Message(cause)));
    Out_ = true;
    return true;
}

std::string TServerOutage::Message(const std::string& cause) const
{
    return "The diary server " + StoreHomes::Shown(Location_) + " cannot be reached: " + cause +
           ". Orbeko tries again every ten seconds.";
}
