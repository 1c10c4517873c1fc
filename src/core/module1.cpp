#include "core/module1.h"

namespace core {

void resetModule() {
    AppPath.clear();
    Lang.clear();
    Languages = {};
    NewsFile.clear();
    UpdateReminderDate = QDate(1899, 12, 30);
    DiagramMode = 0;
    Key = {};
    SecondKey = {};
    IdentityTable = {};
    UseSecondKey = false;
    Des = {};
    BrandId.clear();
    BrandName.clear();
    FamilyKey.clear();
    FamilyName.clear();
    VehicleName.clear();
    PscNewFormat = false;
    PscCode.clear();
    PscCaption.clear();
    HelpCode.clear();
    ManualSection = 0;
    Form7Mode = 0;
    Form7Code.clear();
    Form11Mode = 0;
    Form6FromMenu = 0;
    Form13Topic.clear();
    BeltPicture.clear();
    BeltTextCode.clear();
    BoltSequence.clear();
    BoltSequenceTitle.clear();
    HotspotCode.clear();
    HotspotTextCode.clear();
    TextNeedsScroll = 0;
    StepMarker.clear();
}

} // namespace core
