#pragma once
// The two walks of a path that follow its links themselves, one name at a
// time: by name, to tell where a path leads, and by descriptor, to open
// beneath a folder where the kernel has no openat2. They walk alike: empty
// names and "." passed over, a link's text walked on from the folder that
// holds it, at most 40 links in one walk, a slash at the end asking for a
// folder. Only ".." differs: above the root of the file system is that
// root, above the folder opened beneath is outside.
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace vb {

// Where the file system puts path once every link on the way is followed,
// a dangling one included: a link to a name that does not exist leads to that
// name, where a write would create the file. Below the first name that does
// not exist nothing can be a link, so the rest is taken as written. A
// relative path is taken from the working folder, and ".." above the root
// is the root. Empty when the way cannot be told, errno saying why: ELOOP
// for a loop of links or more than 40, ENAMETOOLONG for a link whose text
// cannot be read whole (such a path is placed nowhere), else the failure
// met on the way (ENOMEM, EIO, EACCES for a folder that cannot be searched,
// ...), which says nothing of where the path leads: a name is missing only
// where the system answers ENOENT or ENOTDIR.
std::string realPlace(const std::string& path);

// What openat2 gives with RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS and the
// RESOLVE_NO_SYMLINKS and RESOLVE_NO_XDEV of resolve (its other flags are
// taken as given), for a kernel without it: rel opened relative to the open
// folder root with the open(2) flags and mode, one name at a time, none
// followed by the kernel. A link is read and its text walked on from the
// folder that holds it. Refused as openat2 refuses: a ".." above root, an
// absolute path or link, a name on another mount than root's where
// RESOLVE_NO_XDEV (EXDEV); an empty path (ENOENT), or one of PATH_MAX bytes
// or more (ENAMETOOLONG); a slash after a name to create (EISDIR); a link
// where RESOLVE_NO_SYMLINKS, or more than 40 in one walk (ELOOP). The folders
// on the way are held open, so that ".." leads back to the folder walked
// through, and at most 40 deep (ENAMETOOLONG, where openat2 has no limit). A
// magic link of /proc is read like any other link, whose text leads out or
// nowhere: refused, though not with openat2's ELOOP. Where a mount cannot be
// told, RESOLVE_NO_XDEV refuses (EXDEV), or passes a lack of descriptors or
// memory on as itself. A descriptor, or -1 with errno set.
int openWithoutOpenat2(int root, const std::string& rel, int flags, mode_t mode, std::uint64_t resolve);

} // namespace vb
