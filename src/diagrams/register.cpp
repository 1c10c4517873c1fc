#include "diagrams/register.h"

#include "core/scrambled_file.h"
#include "diagrams/diagram_list.h"
#include "diagrams/diagram_viewer.h"
#include "diagrams/location_viewer.h"
#include "platform/form.h"
#include "platform/picture.h"

namespace diagrams {

void registerDiagramWindows() {
    vb::FormRegistry::add<Form15, Form5, Form6>();
    core::registerPictureTarget<Form5>(4, &Form5::ImageMarca);
    core::registerPictureTarget<Form15>(12, &Form15::ImageMarca);
    // The diagram and its frame go in at the front of the image list.
    core::registerScrambledTarget(
        13,
        [](const std::string& temp, const std::string&) {
            Form5::get().ImageList1.Add(1, vb::LoadPicture(temp));
        },
        core::TargetLoads::Picture);
    core::registerPictureTarget<Form6>(14, &Form6::Picture2);
    core::registerPictureTarget<Form6>(23, &Form6::ImageMarca);
}

} // namespace diagrams
