#include "documents/register.h"

#include "documents/brand_documents.h"
#include "documents/manual_viewer.h"
#include "documents/trouble_code_browser.h"
#include "platform/form.h"

namespace documents {

void registerDocumentWindows() {
    registerTroubleCodeBrowser();
    registerManualViewer();
    registerBrandDocuments();
}

} // namespace documents
