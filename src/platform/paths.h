#pragma once
// Where the files the windows name lie: paths with backslashes and names in
// any letter case, placed on the real (case-sensitive) file system and kept
// inside the program folder.
#include <string>

namespace vb {

// Turns "\" into "/" in what is written after the program folder (the
// folder's own name is taken as it is, a backslash in it included) and
// matches each component without regard to letter case. A component that
// exists nowhere is kept as written, so the result names where a new file
// would be created.
// Every path stays in the program folder: one that the file system puts
// elsewhere (names taken from the data with "..", an absolute or relative
// path outside, a link leading out, dangling or not) gives error 53, so such
// a file counts as missing and nothing outside is read or written. Only
// ENOENT and ENOTDIR on the way say that a name is missing: any other
// failure to look into a folder or at a name gives its own error (67 or 7
// for a lack of descriptors or memory, else 75), never a path that may name
// the file wrongly nor a file taken for missing.
std::string resolvePath(const std::string& path);

} // namespace vb
