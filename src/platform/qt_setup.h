#pragma once
// The process as Qt and the libraries it brings in find it: nothing of
// theirs runs from, is made in or is read from a place named relative to
// the working folder, and Qt takes its plugins from its own installed plugin
// folder alone, never from the working folder, the executable's folder or
// the folders QT_PLUGIN_PATH names. To that end the environment loses its
// relative folder names for good, and the environment and the working
// folder are changed while the application object is made, and put back
// once it exists.
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

// At the very start, before any other thread: takes out of PATH, and out
// of every other variable naming files, folders or sockets that the
// program's libraries read (the XDG base directories, HOME, TMPDIR, ...),
// every entry that is not an absolute name; allows no core file while
// the process is away from its working folder; makes Qt's plugin folder the
// working folder and Qt's only library path, and sets QT_PLUGIN_PATH for
// the making of the application object. Done once: a later call does
// nothing.
void prepareProcessForQt();

// The first base of a class whose next base is the application object:
// the process is prepared before that object starts being made.
struct ProcessPreparedForQt {
    ProcessPreparedForQt() { prepareProcessForQt(); }
};

// Once the application object exists and the font configuration is read:
// QT_PLUGIN_PATH as it was, and Qt's plugin folder still the only library
// path. The way back to the working folder, and the limit on core files
// given back once there, are left to a thread of their own, which the start
// never waits for: a share that no longer answers holds the way back.
void afterQtSetUp();

} // namespace vb
