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
//   vb::prepareProcessForQt();        // the first thing main does
//   vb::FontWarmUp fonts({"Tahoma"});
//   vb::Application app(argc, argv);  // makes sure of the first, calls the last
namespace vb {

// Sets the environment and the working folder for the making of the
// application object, and Qt's plugin folder as its only library path. Done
// once: a later call does nothing.
void prepareProcessForQt();

// The first base of a class whose next base is the application object:
// the process is prepared before that object starts being made.
struct ProcessPreparedForQt {
    ProcessPreparedForQt() { prepareProcessForQt(); }
};

// Once the application object exists and the font configuration is read:
// the environment and the working folder as they were, and Qt's plugin
// folder still the only library path.
void afterQtSetUp();

} // namespace vb
