#pragma once
// Everything about files: where a path lies, reading and writing, temporary
// files and the removal of those that ended programs left.
#include "platform/file_io.h"
#include "platform/leftovers.h"
#include "platform/paths.h"
#include "platform/temporary_files.h"
