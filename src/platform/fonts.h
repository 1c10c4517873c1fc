#pragma once
namespace vb {
// Makes the window fonts the layout was designed with available to Qt
// (their files live outside the folders fontconfig scans).
void registerFonts();
} // namespace vb
