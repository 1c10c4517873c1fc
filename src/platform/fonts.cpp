#include "platform/fonts.h"

#include "platform/vbstring.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <future>
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
    const auto it = std::find_if(std::begin(kFamilies), std::end(kFamilies), [&](const FamilyFiles& f) {
        return name.compare(QLatin1String(f.family), Qt::CaseInsensitive) == 0;
    });
    if (it == std::end(kFamilies)) return name;
    waitForConfiguration();
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
