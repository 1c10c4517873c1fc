#include "platform/log.h"

namespace vb {

// Warnings are off until a logging rule switches them on.
Q_LOGGING_CATEGORY(lcPictures, "catalogue.pictures", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcFiles, "catalogue.files", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcData, "catalogue.data", QtCriticalMsg)

} // namespace vb
