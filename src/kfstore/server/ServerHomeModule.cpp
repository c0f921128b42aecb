#include "kfstore/ServerModule.h"
#include "kfstore/server/ServerHome.h"

extern "C" __attribute__((visibility("default"))) TStoreHome* OrbekoServerHome()
{
    static TServerHome home;
    return &home;
}
