#include "kfstore/folder/FileSystemKind.h"

#include <sys/vfs.h>

namespace {

TFileSystemKind KindOfType(unsigned long type)
{
    switch (type) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x794C7630:  // overlayfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0xCA451A4E:  // bcachefs
    case 0x3153464A:  // jfs
        return TFileSystemKind::Local;
    case 0x6969:  // nfs (every version)
        return TFileSystemKind::Nfs;
    case 0x517B:      // smbfs
    case 0xFF534D42:  // cifs
    case 0xFE534D42:  // smb2 / smb3
        return TFileSystemKind::Smb;
    case 0x65735546:  // fuse
        return TFileSystemKind::Fuse;
    default:
        return TFileSystemKind::Other;
    }
}

}  // namespace

TFileSystemKind FileSystemKindOf(int fd)
{
    struct statfs info {};
    return fstatfs(fd, &info) == 0 ? KindOfType(static_cast<unsigned long>(info.f_type)) : TFileSystemKind::Other;
}

TFileSystemKind FileSystemKindAt(const std::string& path)
{
    struct statfs info {};
    return statfs(path.c_str(), &info) == 0 ? KindOfType(static_cast<unsigned long>(info.f_type))
                                            : TFileSystemKind::Other;
}

const char* FileSystemKindName(TFileSystemKind kind)
{
    switch (kind) {
    case TFileSystemKind::Local:
        return "local";
    case TFileSystemKind::Nfs:
        return "NFS";
    case TFileSystemKind::Smb:
        return "SMB/CIFS";
    case TFileSystemKind::Fuse:
        return "FUSE";
    case TFileSystemKind::Other:
        break;
    }
    return "unknown";
}
