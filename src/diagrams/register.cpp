#include "diagrams/register.h"

#include "platform/form.h"

namespace diagrams {

void registerDiagramWindows() {}

} // namespace diagrams
