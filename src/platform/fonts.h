#pragma once
// The faces the windows and printouts name, and the files that draw them.
//
// Some faces come as files outside the folders fontconfig scans, so the
// program registers them with Qt itself. Registering a file costs a full scan
// of it, and the start window needs two of the thirteen; so each family is
// registered the first time a window asks for it, and only its own files.
//
// Every face is drawn scalable, so that text takes the size its window or
// printout gives it. Faces whose only files are bitmaps of one or a few
// sizes, and faces with no file of their own, are drawn by the Debian faces
// made to their metrics.
#include <QFont>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vb {

// The family to build a QFont from for `family`, after making its files known
// to Qt. A family that is not one of ours is left to the system.
QString fontFamily(const std::string& family);

// The pixel size a 96-dpi screen gives a point size, so that text fits the
// layouts measured in twips.
int windowPixels(double points);

// A window font: the face at the pixel size of its point size.
QFont windowFont(const std::string& family, double points, bool bold = false, bool italic = false,
                 bool underline = false);

// The distance between the lines of a text of several lines on screen. Some
// faces declare their lines closer than their glyphs reach, so descenders
// would touch the next line's capitals; lines are at least 1.2 times the
// font's size apart, the single spacing of a word processor.
int textLineStep(const QFont& font);

// A printer font: the face at its point size.
QFont printerFont(const std::string& family, double points, bool bold = false, bool italic = false,
                  bool underline = false);

// text broken into lines no wider than width pixels in font: at blanks and
// the other places where a line may break, and inside a word only where the
// word alone is wider, so that no line runs past width. Each line feed of
// text starts a new line; the blanks at a break are dropped.
QStringList wrappedLines(const QString& text, const QFont& font, int width);
// The least width in pixels at which wrappedLines keeps line (one line of
// text) whole: its advance in font and the overhang of its last glyph.
int unbrokenWidth(const QString& line, const QFont& font);

// The font files registered so far, in order.
std::vector<std::string> registeredFontFiles();

// Returns once no warm-up is reading the font configuration.
void waitForFontConfiguration();

// Reading the system's font configuration is the longest single step before
// a first frame, and it needs nothing of the application: started before the
// application object, it runs on a thread of its own beside the platform's
// set-up. Once the application exists, the same thread registers the given
// families and fills Qt's font list, while the first window is being built.
// fontFamily() waits for the configuration, so it is never read twice.
//
// The thread reads the environment, and may look names up in the working
// folder, while Qt's set-up has changed both (qt_setup.h): it starts after
// prepareProcessForQt, and afterQtSetUp waits until it has read the
// configuration and waits itself, so that both change while no other thread
// of ours runs.
//
//   vb::prepareProcessForQt();
//   vb::FontWarmUp fonts({"Tahoma"});
//   vb::Application app(argc, argv);
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
