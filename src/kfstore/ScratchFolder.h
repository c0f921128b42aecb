#pragma once

#include <string>

// A new private folder, removed with its contents when the object goes.
class TScratchFolder
{
public:
    // Under parent (made there by mkdtemp). Throws std::runtime_error.
    explicit TScratchFolder(const std::string& parent, const std::string& prefix);
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::string& Path() const { return Path_; }

private:
    std::string Path_;
};
