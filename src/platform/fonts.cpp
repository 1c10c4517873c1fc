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

void waitForConfiguration() {
    std::shared_future<void> config;
    {
        std::lock_guard lock(g_configMutex);
        config = g_config;
    }
    if (config.valid()) config.wait();
}

// Qt reads the configuration through fontconfig, which the application has
// loaded already (Qt's GUI library needs it); without it there is nothing
// to read ahead.
void readFontConfiguration() {
    void* lib = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return;
    if (auto init = reinterpret_cast<int (*)()>(dlsym(lib, "FcInit"))) init();
    dlclose(lib);
}

} // namespace

QString fontFamily(const std::string& family) {
    const QString name = toQt(family);
    const auto it = std::find_if(std::begin(kFaces), std::end(kFaces), [&](const Face& f) {
        return name.compare(QLatin1String(f.family), Qt::CaseInsensitive) == 0;
    });
    if (it == std::end(kFaces)) return name;
    waitForConfiguration();
    if (it->standIn) return QLatin1String(it->standIn);
    std::lock_guard lock(g_mutex);
    if (g_done.insert(&*it).second)
        for (const char* file : it->files) {
            const QString path = QLatin1String(kFontFolder) + QLatin1String(file);
            // A missing file leaves the family to fontconfig's substitute.
            if (QFileInfo::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
                g_files.emplace_back(file);
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
