#include "platform/fonts.h"

#include "platform/vbstring.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

namespace vb {
namespace {

const char* const kFontFolder = "/usr/share/wine/fonts/";

struct Face {
    const char* family; // a lookup ignores letter case, as Qt's own does
    // Scalable files of the face in the folder above, declaring its family.
    std::vector<const char*> files;
    // Otherwise the Debian face drawn in its place.
    const char* standIn;
};

// The bitmap files of MS Sans Serif, Courier, Fixedsys, Small Fonts and
// System hold single sizes (Courier's one 13-pixel size served the vehicle
// texts, help and manual pages alike), so those faces are drawn by scalable
// ones: Courier by the Courier-metric Nimbus Mono PS, the sans-serif faces by
// the Arial-metric Liberation Sans, Fixedsys by Liberation Mono.
const Face kFaces[] = {
    {"Tahoma", {"tahoma.ttf", "tahomabd.ttf"}, nullptr},
    {"Marlett", {"marlett.ttf"}, nullptr},
    {"Symbol", {"symbol.ttf"}, nullptr},
    {"Webdings", {"webdings.ttf"}, nullptr},
    {"Wingdings", {"wingding.ttf"}, nullptr},
    {"Arial", {}, "Liberation Sans"},
    {"Courier New", {}, "Liberation Mono"},
    {"Courier", {}, "Nimbus Mono PS"},
    {"MS Sans Serif", {}, "Liberation Sans"},
    {"Small Fonts", {}, "Liberation Sans"},
    {"System", {}, "Liberation Sans"},
    {"Fixedsys", {}, "Liberation Mono"},
};

std::mutex g_mutex;
std::set<const Face*> g_done;
std::vector<std::string> g_files;

// Set while a warm-up reads the font configuration.
std::mutex g_configMutex;
std::shared_future<void> g_config;


// fontconfig as Qt uses it: the library that Qt's GUI module brought in
// with the program (the program links none of its own), found among the
// libraries loaded at its start; nothing is loaded here. Empty without it:
// then Qt's fonts do not go through it either.
struct Fontconfig {
    bool loaded = false;
    int (*init)() = nullptr;
    int (*setRescanInterval)(void* config, int seconds) = nullptr;
    void* (*getFonts)(void* config, int set) = nullptr;
    int (*appFontAddFile)(void* config, const unsigned char* file) = nullptr;
};
constexpr int kApplicationSet = 1; // FcSetApplication

const Fontconfig& fontconfig() {
    static const Fontconfig fc = [] {
        Fontconfig f;
        f.init = reinterpret_cast<decltype(f.init)>(dlsym(RTLD_DEFAULT, "FcInit"));
        f.loaded = f.init != nullptr;
        f.setRescanInterval =
            reinterpret_cast<decltype(f.setRescanInterval)>(dlsym(RTLD_DEFAULT, "FcConfigSetRescanInterval"));
        f.getFonts = reinterpret_cast<decltype(f.getFonts)>(dlsym(RTLD_DEFAULT, "FcConfigGetFonts"));
        f.appFontAddFile =
            reinterpret_cast<decltype(f.appFontAddFile)>(dlsym(RTLD_DEFAULT, "FcConfigAppFontAddFile"));
        return f;
    }();
    return fc;
}

// fontconfig keeps the fonts an application registers in a set of their
// own, which exists once a first file has been added to it. Qt 6.4, finding
// no such set at an addApplicationFont, makes it by adding the file
// ":/non-existent": a name relative to the working folder, so that whatever
// stands there in the folder the user started from would be opened (a FIFO
// blocks the start for good), parsed as a font, or scanned as a folder of
// fonts, with cache files written for each folder below it. So the set is
// made here, before Qt registers anything, by adding a name that is absolute
// and that only the system could make exist: its lookup ends at /dev/null,
// which is no folder, and opens nothing.
//
// The set lasts as long as the configuration that holds it. Qt 6.4 empties
// it only when an application font is removed, which the program never
// does; fontconfig replaces the configuration with a fresh one, without the
// set, when a font list finds its files changed after its rescan interval.
// The configuration read at the start serves the whole run instead (no
// rescan), and the set is made anew before each registration if it went
// all the same. True when the set exists, or Qt does without fontconfig.
bool keepApplicationFontSet() {
    const Fontconfig& fc = fontconfig();
    if (!fc.setRescanInterval || !fc.getFonts || !fc.appFontAddFile) return !fc.loaded;
    fc.setRescanInterval(nullptr, 0);
    if (!fc.getFonts(nullptr, kApplicationSet))
        fc.appFontAddFile(nullptr, reinterpret_cast<const unsigned char*>("/dev/null/no-font"));
    return fc.getFonts(nullptr, kApplicationSet) != nullptr;
}

// Qt reads the configuration through fontconfig; without it there is
// nothing to read ahead.
void readFontConfiguration() {
    if (!fontconfig().init) return;
    fontconfig().init();
    keepApplicationFontSet();
}

} // namespace

void waitForFontConfiguration() {
    std::shared_future<void> config;
    {
        std::lock_guard lock(g_configMutex);
        config = g_config;
    }
    if (config.valid()) config.wait();
}

QString fontFamily(const std::string& family) {
    const QString name = toQt(family);
    const auto it = std::find_if(std::begin(kFaces), std::end(kFaces), [&](const Face& f) {
        return name.compare(QLatin1String(f.family), Qt::CaseInsensitive) == 0;
    });
    if (it == std::end(kFaces)) return name;
    waitForFontConfiguration();
    if (it->standIn) return QLatin1String(it->standIn);
    std::lock_guard lock(g_mutex);
    // Without the application set (a shortage of memory made none), Qt would
    // make it as it does: the family is left to fontconfig's substitute, and
    // asked for again the next time.
    if (!g_done.count(&*it) && keepApplicationFontSet()) {
        g_done.insert(&*it);
        for (const char* file : it->files) {
            const QString path = QLatin1String(kFontFolder) + QLatin1String(file);
            // A missing file leaves the family to fontconfig's substitute.
            if (QFileInfo::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
                g_files.emplace_back(file);
        }
    }
    return name;
}

int windowPixels(double points) {
    // 96 dots per inch, as the screens the layouts were made on.
    return std::max(1, int(points * 4.0 / 3.0 + 0.5));
}

QStringList wrappedLines(const QString& text, const QFont& font, int width) {
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        const qsizetype before = lines.size();
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1, width));
            QString shown = paragraph.mid(line.textStart(), line.textLength());
            while (!shown.isEmpty() && shown.back().isSpace())
                shown.chop(1);
            lines << shown;
        }
        layout.endLayout();
        if (lines.size() == before) lines << QString(); // an empty line
    }
    return lines;
}

int unbrokenWidth(const QString& line, const QFont& font) {
    // Measured as wrappedLines lays out, with room for any width.
    QTextLayout layout(line, font);
    layout.beginLayout();
    QTextLine only = layout.createLine();
    only.setLineWidth(1 << 24);
    layout.endLayout();
    return int(std::ceil(only.naturalTextWidth()));
}

QFont windowFont(const std::string& family, double points, bool bold, bool italic, bool underline) {
    const int px = windowPixels(points);
    QFont f(fontFamily(family));
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    // A fixed-pitch font advances a whole number of pixels per character, so
    // text drawn from different columns of a character grid lines up.
    struct Key {
        QString family;
        int px;
        bool bold, italic;
        bool operator<(const Key& o) const {
            return std::tie(family, px, bold, italic) < std::tie(o.family, o.px, o.bold, o.italic);
        }
    };
    static std::map<Key, qreal> spacing;
    const Key key{f.family(), f.pixelSize(), bold, italic};
    auto it = spacing.find(key);
    if (it == spacing.end()) {
        qreal extra = 0;
        if (QFontInfo(f).fixedPitch()) {
            const qreal advance = QFontMetricsF(f).horizontalAdvance(QLatin1Char(' '));
            extra = std::max<qreal>(1, std::round(advance)) - advance;
        }
        it = spacing.emplace(key, extra).first;
    }
    if (it->second != 0) {
        f.setKerning(false);
        f.setLetterSpacing(QFont::AbsoluteSpacing, it->second);
    }
    return f;
}

int textLineStep(const QFont& font) {
    return std::max(QFontMetrics(font).lineSpacing(), int(std::ceil(font.pixelSize() * 1.2)));
}

QFont printerFont(const std::string& family, double points, bool bold, bool italic, bool underline) {
    QFont f(fontFamily(family));
    f.setPointSizeF(points > 0 ? points : 1);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

std::vector<std::string> registeredFontFiles() {
    std::lock_guard lock(g_mutex);
    return g_files;
}

FontWarmUp::FontWarmUp(std::vector<std::string> families) : families_(std::move(families)) {
    auto configRead = std::make_shared<std::promise<void>>();
    {
        std::lock_guard lock(g_configMutex);
        g_config = configRead->get_future().share();
    }
    thread_ = std::thread([this, configRead] {
        readFontConfiguration();
        configRead->set_value();
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return decided_; });
        if (!ready_) return;
        lock.unlock();
        // Registered before the list is filled: a family registered later
        // would empty the list again.
        for (const std::string& family : families_)
            fontFamily(family);
        QFontDatabase::families();
    });
}

FontWarmUp::~FontWarmUp() {
    finish();
}

void FontWarmUp::release(bool ready) {
    std::lock_guard lock(mutex_);
    if (decided_) return;
    decided_ = true;
    ready_ = ready;
    released_.notify_all();
}

void FontWarmUp::applicationReady() {
    release(true);
}

void FontWarmUp::finish() {
    release(false);
    if (thread_.joinable()) thread_.join();
}

} // namespace vb
