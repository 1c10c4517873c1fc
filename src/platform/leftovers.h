#pragma once
// The removal, at a start, of temporary files that ended programs left.
#include <string>

namespace vb {

// Removes, below the program folder given as the file system names it, the
// temporary files of programs that ended before they could remove them
// (killed, a power cut): files named as this program names its temporary
// files there that no running program holds. A running program locks each
// of its own temporary files (TemporaryFile, the part file of FileCopy) just
// after it makes it, and holds the file's folder shared from before it makes
// it until then, so a removal, which takes the folder exclusively before it
// tries a file, never takes one of them. Only where another process kept the
// folder taken for as long as a program waits for it (temporary_files.cpp)
// is a file made without the folder's cover; a removal in the moment before
// its lock could take it, and the program then finds its file gone.
void removeLeftoverTemporaries(const std::string& folder);
// The same for the program folder, on a thread of its own behind the rest of
// the program; once per folder and process, and only in a folder proven to
// be the program's own (programFolderIsOwn).
void startRemovingLeftoverTemporaries();
// Waits until every removal started above has finished.
void waitForLeftoverRemoval();

} // namespace vb
