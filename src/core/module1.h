#pragma once
// The shared variables of the core module. Windows hand each other their
// parameters through these, set just before a window opens.
#include <QDate>
#include <array>
#include <cstdint>
#include <string>

namespace core {

inline std::string AppPath;
inline std::string Lang;
inline std::array<std::string, 5> Languages;
inline std::string NewsFile;
// Nothing assigns it: it keeps the zero date.
inline QDate UpdateReminderDate = QDate(1899, 12, 30);
inline std::int16_t DiagramMode = 0;

inline std::array<int, 80> Key{};
inline std::array<int, 80> SecondKey{};
inline std::array<int, 128> IdentityTable{};
inline bool UseSecondKey = false;

inline std::array<std::string, 91> Des;

inline std::string BrandId;
inline std::string BrandName;
inline std::string FamilyKey;
inline std::string FamilyName;
inline std::string VehicleName;

inline bool PscNewFormat = false;
inline std::string PscCode;
inline std::string PscCaption;
inline std::string HelpCode;
inline std::int16_t ManualSection = 0;
inline std::int16_t Form7Mode = 0;
inline std::string Form7Code;
inline std::int16_t Form11Mode = 0;
inline std::int16_t Form6FromMenu = 0;
inline std::string Form13Topic;
inline std::string BeltPicture;
inline std::string BeltTextCode;
inline std::string BoltSequence;
inline std::string BoltSequenceTitle;
inline std::string HotspotCode;
inline std::string HotspotTextCode;
// 1 while the marked-up page shown has more lines than fit its window.
inline std::int16_t TextNeedsScroll = 0;

// Private to the scrambled-file loader: which step a failure happened in.
inline std::string StepMarker;

// Back to the state before the first start (tests).
void resetModule();

} // namespace core
