#pragma once
// The removal, at a start, of the temporary files that ended programs left.
//
// In a folder proven to be the program's own and found to hold its data,
// the files that this program names and places as its temporary files, and
// that no running program holds, are removed: a decoded copy at the folder's
// root, a print bitmap in a diagram folder, a part file beside the damaged
// data file it was to replace and that file's recovery copy (the names and
// places are told in temporary_names.h).
// Nothing else goes: no folder, no link, nothing on another file system or
// mount, nothing outside the folder. The walk runs behind the program, keeps
// few descriptors, stops at the process's end and leaves what it could not
// finish to the next start. How a running program keeps its own files from
// it is told beside the code (leftovers.cpp).
#include <string>

namespace vb {

// Removes, below folder (given as the file system names it, as
// programFolderOnDisk() does; it is opened as such, so no other folder is
// walked), the leftovers described above, on the calling thread.
void removeLeftoverTemporaries(const std::string& folder);
// The same for the program folder, on a thread of its own behind the rest of
// the program; once per folder and process, and only in a folder proven to
// be the program's own (programFolderIsOwn). Called by the start once it has
// found the program's own data there: a folder that holds the executable
// alone is no installation of the program and loses nothing.
void startRemovingLeftoverTemporaries();
// Waits until every removal started above has finished.
void waitForLeftoverRemoval();

} // namespace vb
