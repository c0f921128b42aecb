#pragma once

#include <string>

// What kind of file system a file lies on, as far as sharing it between
// machines is concerned.
enum class TFileSystemKind { Local, Nfs, Smb, Fuse, Other };

// From fstatfs of an open descriptor; Other when it cannot be told.
TFileSystemKind FileSystemKindOf(int fd);
// From statfs of a path.
TFileSystemKind FileSystemKindAt(const std::string& path);
const char* FileSystemKindName(TFileSystemKind kind);
