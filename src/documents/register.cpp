#include "documents/register.h"

#include "core/scrambled_file.h"
#include "documents/brand_documents.h"
#include "documents/document_viewer.h"
#include "documents/info_list.h"
#include "documents/manual_viewer.h"
#include "documents/trouble_code_browser.h"
#include "documents/vehicle_text_viewer.h"
#include "platform/form.h"

namespace documents {

void registerDocumentWindows() {
    vb::FormRegistry::add<Form4, Form8, Form14, Form13, Form7, Form11>();
    core::registerPictureTarget<Form8>(16, &Form8::Image2);
    core::registerRichTextTarget<Form14>(24, &Form14::RTB1);
    core::registerRichTextTarget<Form13>(28, &Form13::RTB1);
    // The belt drawing (9) and the other pictures of the page (11) share one
    // control.
    core::registerPictureTarget<Form7>(9, &Form7::Picture2);
    core::registerPictureTarget<Form7>(11, &Form7::Picture2);
    core::registerPictureTarget<Form7>(10, &Form7::ImageMarca);
    core::registerRichTextTarget<Form7>(26, &Form7::RTB1);
    core::registerRichTextTarget<Form7>(27, &Form7::RTB2);
    core::registerPictureTarget<Form11>(5, &Form11::ImageMarca);
}

} // namespace documents
