#include "support/TempDir.h"

#include <filesystem>
#include <stdexcept>

#include <cstdlib>

TTempDir::TTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "orbeko-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    Path_ = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    std::filesystem::permissions(Path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Path_, ec);
}

std::string TTempDir::File(const std::string& name) const
{
    return Path_ + "/" + name;
}
