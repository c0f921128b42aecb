#include "kfstore/ScratchFolder.h"

#include "kfstore/KeptFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <stdlib.h>

TScratchFolder::TScratchFolder(const std::string& parent, const std::string& prefix)
{
    std::string pattern = FolderFile(parent, prefix + "XXXXXX");
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder in " + parent + ": " + std::strerror(errno));
    Path_ = pattern;
}

TScratchFolder::~TScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(Path_, ignored);
}
