#pragma once
// The removal, at a start, of temporary files that ended programs left.
#include <string>

namespace vb {

// Removes, below the program folder given as the file system names it, the
// temporary files of programs that ended before they could remove them
// (killed, a power cut): files named as this program names its temporary
// files there that no running program holds. A running program holds each
// of its own temporary files (TemporaryFile, the part file of FileCopy)
// from the moment it exists, so none of them is ever removed.
void removeLeftoverTemporaries(const std::string& folder);
// The same for the program folder, on a thread of its own behind the rest of
// the program; once per folder and process.
void startRemovingLeftoverTemporaries();
// Waits until every removal started above has finished.
void waitForLeftoverRemoval();

} // namespace vb
