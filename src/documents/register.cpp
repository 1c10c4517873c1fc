#include "documents/register.h"

#include "platform/form.h"

namespace documents {

void registerDocumentWindows() {}

} // namespace documents
