#include "mechanical/register.h"

#include "core/scrambled_file.h"
#include "mechanical/ac_window.h"
#include "mechanical/data_sheet_window.h"
#include "mechanical/sequence_window.h"
#include "mechanical/torque_window.h"
#include "platform/form.h"

namespace mechanical {

void registerMechanicalWindows() {
    vb::FormRegistry::add<Form16, Form17, Form9, Form12>();
    core::registerPictureTarget<Form12>(6, &Form12::ImageMarca);
    core::registerPictureTarget<Form9>(21, &Form9::ImageMarca);
    core::registerPictureTarget<Form16>(7, &Form16::ImageMarca);
}

} // namespace mechanical
