#pragma once

#include <string>

// The login name of the user running the program: the account of the
// process owner, else $USER; empty when neither is known.
std::string AccountName();
