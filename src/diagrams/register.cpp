#include "diagrams/register.h"

#include "core/scrambled_file.h"
#include "diagrams/diagram_list.h"
#include "diagrams/diagram_viewer.h"
#include "diagrams/location_viewer.h"
#include "platform/form.h"
#include "platform/picture.h"

namespace diagrams {

void registerDiagramWindows() {
    vb::FormRegistry::add(Form15::kFormName, [] { return new Form15; });
    vb::FormRegistry::add(Form5::kFormName, [] { return new Form5; });
    vb::FormRegistry::add(Form6::kFormName, [] { return new Form6; });
    core::registerScrambledTarget(4, [](const std::string& temp, const std::string&) {
        Form5::get().ImageMarca.setPicture(vb::LoadPicture(temp));
    });
    core::registerScrambledTarget(12, [](const std::string& temp, const std::string&) {
        Form15::get().ImageMarca.setPicture(vb::LoadPicture(temp));
    });
    // The diagram and its frame go in at the front of the image list.
    core::registerScrambledTarget(13, [](const std::string& temp, const std::string&) {
        Form5::get().ImageList1.Add(1, vb::LoadPicture(temp));
    });
    core::registerScrambledTarget(14, [](const std::string& temp, const std::string&) {
        Form6::get().Picture2.setPicture(vb::LoadPicture(temp));
    });
    core::registerScrambledTarget(23, [](const std::string& temp, const std::string&) {
        Form6::get().ImageMarca.setPicture(vb::LoadPicture(temp));
    });
}

} // namespace diagrams
