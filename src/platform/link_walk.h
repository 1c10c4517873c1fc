#pragma once
// Walking a path one name at a time, following the links on the way
// ourselves rather than leaving them to the kernel.
#include <string>
#include <sys/types.h>

namespace vb {

// What openat2 gives with RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS (and
// RESOLVE_NO_SYMLINKS when noLinks), for a kernel without it: rel opened
// relative to the open folder root with the open(2) flags and mode, one name
// at a time, none followed by the kernel. A link is read and its text walked
// on from the folder that holds it. Refused as openat2 refuses: a ".." above
// root, an absolute path or link (EXDEV); an empty path (ENOENT); a slash
// after a name to create (EISDIR); a link where noLinks, or more than 40 in
// one walk (ELOOP). The folders on the way are held open, so that ".." leads
// back to the folder walked through, and at most 40 deep (ENAMETOOLONG,
// where openat2 has no limit). A magic link of /proc is read like any other
// link, whose text leads out or nowhere: refused, though not with openat2's
// ELOOP. A descriptor, or -1 with errno set.
int openWithoutOpenat2(int root, const std::string& rel, int flags, mode_t mode, bool noLinks);

} // namespace vb
