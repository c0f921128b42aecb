#pragma once

#include <string>

// A fresh folder under the system temporary folder, removed with everything
// in it when the object goes.
class TTempDir
{
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return Path_; }
    // Path() + "/" + name
    std::string File(const std::string& name) const;

private:
    std::string Path_;
};
