#pragma once
// The removal, at a start, of temporary files that ended programs left.
#include <string>

namespace vb {

// Removes, below the program folder (given as the file system names it, as
// programFolderOnDisk() does; it is opened as such, so no other folder is
// walked), the temporary files of programs that ended before they could
// remove them (killed, a power cut): files named as this program names its
// temporary files there that no running program holds. A running program
// locks each of its own temporary files (TemporaryFile, the part file of
// FileCopy) just after it makes it, and holds the file's folder shared from
// before it makes it until then, so a removal, which takes the folder
// exclusively before it tries a file, never takes one of them. A file is
// made without the folder's cover only where another process kept the
// folder taken for a whole wait of a program (temporary_files.cpp), and,
// until that program has the folder again, where the folder is taken at the
// moment a file is made, since the program then no longer waits for it; a
// removal in the moment before such a file's lock could take it, and the
// program then finds its file gone.
// The walk keeps few descriptors open, takes none numbered among the last
// few the process may have (they are given lowest first), and stops when it
// runs short of them: the next start removes the rest.
void removeLeftoverTemporaries(const std::string& folder);
// The same for the program folder, on a thread of its own behind the rest of
// the program; once per folder and process, and only in a folder proven to
// be the program's own (programFolderIsOwn).
void startRemovingLeftoverTemporaries();
// Waits until every removal started above has finished.
void waitForLeftoverRemoval();

} // namespace vb
