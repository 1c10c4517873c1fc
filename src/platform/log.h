#pragma once
// What the program passes over on purpose is logged through Qt's logging
// categories, switched off by default: a picture a button can do without, a
// file that could not be removed, a value read as empty. To see why a
// picture is missing, start the program with
//   QT_LOGGING_RULES="catalogue.*=true"
#include <QLoggingCategory>

namespace vb {

// "catalogue.pictures": pictures and cursors that were not loaded.
Q_DECLARE_LOGGING_CATEGORY(lcPictures)
// "catalogue.files": files that were not read, written or removed.
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
// "catalogue.data": table values that could not be read and count as empty.
Q_DECLARE_LOGGING_CATEGORY(lcData)

} // namespace vb
