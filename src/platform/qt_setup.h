#pragma once
// Where Qt takes its plugins from while the application object is made: from
// its own installed plugin folder alone, never from the working folder, the
// executable's folder or the folders QT_PLUGIN_PATH names. To that end the
// environment and the working folder are changed while the object is made,
// and put back once it exists (Application does both).
namespace vb {

// Sets the environment and the working folder for the making of the
// application object, and Qt's plugin folder as its only library path.
// Returns argc.
int& beforeQtSetUp(int& argc);

// Once the application object exists: the environment and the working folder
// as they were, and Qt's plugin folder still the only library path.
void afterQtSetUp();

} // namespace vb
