#include "mechanical/register.h"

#include "platform/form.h"

namespace mechanical {

void registerMechanicalWindows() {}

} // namespace mechanical
