#pragma once

#include <string>
#include <string_view>

// Where the keyed files of a database live: a folder, or a PostgreSQL
// server named by a libpq connection string (a postgresql:// or postgres://
// URI, or libpq's keyword=value form). A keyed file on a server is named by
// the connection string, a '#' and the file's name; the name itself holds
// no '#', so the last one divides the two.
namespace StoreLocation {

constexpr char kServerFileSeparator = '#';

bool IsServer(std::string_view location);
// The name of the keyed file called name in location: inside the folder
// (location ends in '/'), or on the server.
std::string FileName(const std::string& location, const std::string& name);
// Divides a keyed file name on a server into the connection string and the
// file's own name; false when it is not one.
bool SplitServerFile(std::string_view fileName, std::string& connection, std::string& name);
// A location as the workstation keeps it: a folder ends in '/', a server's
// connection string stays as written (surrounding blanks dropped).
std::string Normalized(std::string location);

}  // namespace StoreLocation
