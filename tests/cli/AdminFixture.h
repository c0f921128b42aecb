#pragma once

#include "cli/AdminCommand.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <sstream>
#include <string>
#include <vector>

struct TAdminRun
{
    int Exit;
    std::string Out;
    std::string Err;
};

inline TAdminRun RunAdmin(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int exit = TAdminCommand(out, err).Run(args);
    return {exit, out.str(), err.str()};
}
