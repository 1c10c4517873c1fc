#include "documents/register.h"

#include "documents/brand_documents.h"
#include "documents/document_viewer.h"
#include "documents/info_list.h"
#include "documents/manual_viewer.h"
#include "documents/trouble_code_browser.h"
#include "documents/vehicle_text_viewer.h"
#include "platform/form.h"

namespace documents {

void registerDocumentWindows() {
    registerTroubleCodeBrowser();
    registerManualViewer();
    registerBrandDocuments();
    registerDocumentViewer();
    registerVehicleTextViewer();
    registerInfoList();
}

} // namespace documents
