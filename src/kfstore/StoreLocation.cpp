#include "kfstore/StoreLocation.h"

#include <cctype>

namespace StoreLocation {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// libpq's keyword=value form begins with a keyword of letters and '_'.
bool IsKeywordForm(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    const std::size_t start = i;
    while (i < text.size() && (std::isalpha(static_cast<unsigned char>(text[i])) || text[i] == '_'))
        ++i;
    if (i == start)
        return false;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    return i < text.size() && text[i] == '=';
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

bool IsServer(std::string_view location)
{
    return StartsWith(location, "postgresql://") || StartsWith(location, "postgres://") || IsKeywordForm(location);
}

std::string FileName(const std::string& location, const std::string& name)
{
    if (IsServer(location))
        return location + kServerFileSeparator + name;
    return location + name;
}

bool SplitServerFile(std::string_view fileName, std::string& connection, std::string& name)
{
    const std::size_t at = fileName.rfind(kServerFileSeparator);
    if (at == std::string_view::npos || !IsServer(fileName.substr(0, at)) || at + 1 == fileName.size())
        return false;
    connection.assign(fileName.substr(0, at));
    name.assign(fileName.substr(at + 1));
    return true;
}

std::string Normalized(std::string location)
{
    if (std::string trimmed = Trimmed(location); IsServer(trimmed))
        return trimmed;
    if (location.empty() || location.back() != '/')
        location += '/';
    return location;
}

}  // namespace StoreLocation
