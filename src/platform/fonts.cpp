#include "platform/fonts.h"

#include "platform/vbstring.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

namespace vb {
namespace {

const char* const kFontFolder = "/usr/share/wine/fonts/";

struct FamilyFiles {
    const char* family;
    std::vector<const char*> files;
};

// Family names as the files declare them; a lookup ignores letter case, as
// Qt's own does.
const FamilyFiles kFamilies[] = {
    {"MS Sans Serif", {"ms_sans_serif.ttf"}},
    {"Tahoma", {"tahoma.ttf", "tahomabd.ttf"}},
    {"Courier", {"courier.ttf"}},
    {"Fixedsys", {"fixedsys.ttf"}},
    {"Small Fonts", {"small_fonts.ttf"}},
    {"System", {"system.ttf"}},
    {"Marlett", {"marlett.ttf"}},
    {"Symbol", {"symbol.ttf"}},
    {"Webdings", {"webdings.ttf"}},
    {"Wingdings", {"wingding.ttf"}},
};

std::mutex g_mutex;
std::set<const FamilyFiles*> g_done;
std::vector<std::string> g_files;

} // namespace

QString fontFamily(const std::string& family) {
    const QString name = toQt(family);
    const auto it = std::find_if(std::begin(kFamilies), std::end(kFamilies), [&](const FamilyFiles& f) {
        return name.compare(QLatin1String(f.family), Qt::CaseInsensitive) == 0;
    });
    if (it == std::end(kFamilies)) return name;
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

std::vector<std::string> registeredFontFiles() {
    std::lock_guard lock(g_mutex);
    return g_files;
}

} // namespace vb
