#include "cli/AdminCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    return TAdminCommand(std::cout, std::cerr).Run(std::vector<std::string>(argv + 1, argv + argc));
}
