#pragma once
// The window fonts the layout was designed with live outside the folders
// fontconfig scans, so the program registers them with Qt itself.
// Registering a file costs a full scan of it, and the start window needs two
// of the thirteen; so each family is registered the first time a window asks
// for it, and only its own files.
#include <QString>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vb {

// The family name for a QFont, after making that family's files known to Qt.
// Build every font that names a family through this. A family that is not
// one of ours is left to the system.
QString fontFamily(const std::string& family);

// The font files registered so far, in order.
std::vector<std::string> registeredFontFiles();

// Reading the system's font configuration is the longest single step before
// a first frame, and it needs nothing of the application: started before the
// application object, it runs on a thread of its own beside the platform's
// set-up. Once the application exists, the same thread registers the given
// families and fills Qt's font list, while the first window is being built.
// fontFamily() waits for the configuration, so it is never read twice.
//
//   vb::FontWarmUp fonts({"Tahoma"});
//   QApplication app(argc, argv);
//   fonts.applicationReady();
//   ... run ...
//   fonts.finish(); // before the application object goes
class FontWarmUp {
  public:
    explicit FontWarmUp(std::vector<std::string> families);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void applicationReady();
    // Waits for the thread; without applicationReady() it registers nothing.
    void finish();

  private:
    void release(bool ready);
    std::vector<std::string> families_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool decided_ = false, ready_ = false;
    std::thread thread_;
};

} // namespace vb
