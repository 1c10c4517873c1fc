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
// a file counts as missing and nothing outside is read or written. A folder
// on the way that cannot be looked into for lack of descriptors or memory
// gives that error (67, 7), never a path that may name the file wrongly.
std::string resolvePath(const std::string& path);

} // namespace vb
