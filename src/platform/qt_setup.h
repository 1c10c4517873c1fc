#pragma once
// Where Qt takes its plugins from while the application object is made: from
// its own installed plugin folder alone, never from the working folder, the
// executable's folder or the folders QT_PLUGIN_PATH names. To that end the
// environment and the working folder are changed while the object is made,
// and put back once it exists.
//
// The working folder is every thread's, and changing the environment while
// another thread reads it is unsafe (setenv and unsetenv move the entries
// that getenv walks). So both are changed before any other thread of ours
// starts, and put back once the only one started meanwhile, the font
// warm-up, has read the font configuration and waits (fonts.h):
//
//   vb::beforeQtSetUp(argc);          // the first thing main does
//   vb::FontWarmUp fonts({"Tahoma"});
//   vb::Application app(argc, argv);  // calls both; the first did its part
namespace vb {

// Sets the environment and the working folder for the making of the
// application object, and Qt's plugin folder as its only library path. Done
// once: a later call does nothing. Returns argc.
int& beforeQtSetUp(int& argc);

// Once the application object exists and the font configuration is read:
// the environment and the working folder as they were, and Qt's plugin
// folder still the only library path.
void afterQtSetUp();

} // namespace vb
