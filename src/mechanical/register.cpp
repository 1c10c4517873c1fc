#include "mechanical/register.h"

#include "core/scrambled_file.h"
#include "mechanical/ac_window.h"
#include "mechanical/data_sheet_window.h"
#include "mechanical/sequence_window.h"
#include "mechanical/torque_window.h"
#include "platform/form.h"
#include "platform/picture.h"

namespace mechanical {

void registerMechanicalWindows() {
    vb::FormRegistry::add(Form16::kFormName, [] { return new Form16; });
    vb::FormRegistry::add(Form17::kFormName, [] { return new Form17; });
    vb::FormRegistry::add(Form9::kFormName, [] { return new Form9; });
    vb::FormRegistry::add(Form12::kFormName, [] { return new Form12; });
    core::registerScrambledTarget(6, [](const std::string& temp, const std::string&) {
        Form12::get().ImageMarca.setPicture(vb::LoadPicture(temp));
    });
    core::registerScrambledTarget(21, [](const std::string& temp, const std::string&) {
        Form9::get().ImageMarca.setPicture(vb::LoadPicture(temp));
    });
    core::registerScrambledTarget(7, [](const std::string& temp, const std::string&) {
        Form16::get().ImageMarca.setPicture(vb::LoadPicture(temp));
    });
}

} // namespace mechanical
