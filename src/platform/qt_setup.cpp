#include "platform/qt_setup.h"

#include "platform/fonts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <atomic>
#include <cstdint>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vb {
namespace {

// Qt 6.4 looks for plugins below each of its library paths. Left to itself
// it takes its installed plugin folder, the folders QT_PLUGIN_PATH names (as
// their canonical names), and the executable's folder; and where it cannot
// name the executable (a folder name that is not UTF-8, an executable
// removed or replaced, no /proc) it takes the working folder for the
// executable's, so that a plugin planted there would run as this program.
// Qt 6.4 keeps a list given to setLibraryPaths before the application object
// exists, except that as the object is made it reads its paths again, drops
// once more those the list left out, and adds the executable's folder anew
// (tests/selection/test_program_folder.cpp checks this of the Qt it runs
// on). So, while the object is made:
// - the working folder is Qt's plugin folder, which is on the list already;
// - QT_PLUGIN_PATH names the executable's folder as Qt reads it, so that
//   the folder is among the paths the list left out, and Qt drops it. It
//   names it through a descriptor (/proc/self/fd/N), whose canonical name
//   is the folder's: a folder name with the list separator (:) in it could
//   not be named otherwise;
// - the list names Qt's plugin folder alone.
// The platform plugin and its theme are loaded meanwhile, under these rules.
struct QtSetUp {
    bool begun = false;
    QString plugins;
    int workingFolder = -1;
    int executableFolder = -1;
    bool pluginPathSet = false;
    QByteArray pluginPath; // QT_PLUGIN_PATH as it was
    rlimit coreLimit{};    // as it was
    // Lowered, and not yet given back; whichever thread makes the way back
    // gives it back.
    std::atomic<bool> coreLimitLowered = false;
};
QtSetUp& qtSetUp() {
    static QtSetUp s;
    return s;
}

// QT_PLUGIN_PATH naming the executable's folder as Qt will read it; empty
// where there is none to name.
QByteArray executableFolderPath(QtSetUp& s) {
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (executable.isEmpty()) return {};
    const QByteArray folder = QFile::encodeName(QFileInfo(executable).path());
    s.executableFolder = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (s.executableFolder >= 0) return "/proc/self/fd/" + QByteArray::number(s.executableFolder);
    // Without a descriptor (a shortage), a name without the separator serves.
    return folder.contains(':') ? QByteArray() : folder;
}

// A file or folder named in the environment stands for itself only where
// its name is absolute: any other names a place relative to the working
// folder, whichever folder that is at the moment (Qt's plugin folder while
// the set-up runs, the user's afterwards). glibc's execvp takes an empty
// entry of PATH, or an empty PATH, for the working folder itself, so that
// a program a library starts by its name alone (libdbus's dbus-launch,
// where D-Bus has no session bus) would be taken from there; the XDG
// base-directory rules call a relative name invalid, to be ignored, yet Qt
// makes the runtime folder such a name gives, and fontconfig reads its
// user configuration there. The same holds for every variable below that
// a library of ours reads. So every entry that is not absolute goes, and
// a variable left with none is unset: each library then takes its own
// absolute default (for PATH, the C library's). The value is set anew even
// where nothing went, so that a second entry of the same name in the
// environment, which a child would see, goes too.
enum class Form {
    name,      // one name
    list,      // names separated by ':'
    addresses, // D-Bus server addresses separated by ';'
};

bool isAbsolute(const QByteArray& name) {
    return name.startsWith('/');
}

// A D-Bus address ("unix:path=/run/bus,guid=..."; values %-escaped) names
// a file in its path (a socket, or the program that unixexec runs), dir,
// tmpdir and noncefile values: it is kept where each of those is absolute.
bool namesAbsoluteFiles(const QByteArray& address) {
    if (address.isEmpty()) return false;
    for (const QByteArray& pair : address.mid(address.indexOf(':') + 1).split(',')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = pair.left(equals);
        if (equals > 0 && (key == "path" || key == "dir" || key == "tmpdir" || key == "noncefile") &&
            !isAbsolute(QByteArray::fromPercentEncoding(pair.mid(equals + 1))))
            return false;
    }
    return true;
}

void keepAbsoluteNames(const char* variable, Form form) {
    if (!qEnvironmentVariableIsSet(variable)) return;
    const QByteArray value = qgetenv(variable);
    const char separator = form == Form::addresses ? ';' : ':';
    QByteArrayList kept;
    for (const QByteArray& entry : form == Form::name ? QByteArrayList{value} : value.split(separator))
        if (form == Form::addresses ? namesAbsoluteFiles(entry) : isAbsolute(entry)) kept << entry;
    qunsetenv(variable);
    if (!kept.isEmpty()) qputenv(variable, kept.join(separator));
}

// The variables that name files, folders or sockets and that the
// program's libraries read, at the start or later, each with what reads
// it. Others need nothing: a relative FONTCONFIG_FILE is looked up in
// fontconfig's folders below, libXcursor takes a relative entry of
// XCURSOR_PATH from the root folder, and CUPS takes a CUPS_SERVER that
// does not start with a slash for a host's name.
constexpr struct {
    const char* variable;
    Form form;
} kNamedInEnvironment[] = {
    {"PATH", Form::list},
    // Qt, fontconfig, GLib, libdbus, libICE.
    {"XDG_CONFIG_DIRS", Form::list},
    {"XDG_DATA_DIRS", Form::list},
    {"XDG_RUNTIME_DIR", Form::name},
    {"XDG_CONFIG_HOME", Form::name},
    {"XDG_DATA_HOME", Form::name},
    {"XDG_CACHE_HOME", Form::name},
    {"XDG_STATE_HOME", Form::name},
    // The user's folder, where the XDG ones are unset: Qt's home path and
    // its configuration, fontconfig's ~ folders, X's ~/.Xdefaults and
    // ~/.Xauthority, Xcursor's and libxkbcommon's ~ files, CUPS's ~/.cups.
    // Without it Qt and fontconfig take the root folder, which only the
    // system may change; the others skip those files, or take the folder
    // the system's user database gives.
    {"HOME", Form::name},
    // Qt's temporary folder, under which it makes its runtime folder where
    // XDG_RUNTIME_DIR is unset, and CUPS's.
    {"TMPDIR", Form::name},
    // fontconfig: its configuration folders, and a root put before every
    // name it reads.
    {"FONTCONFIG_PATH", Form::list},
    {"FONTCONFIG_SYSROOT", Form::name},
    // The C library, as Qt sets the locale and converts text.
    {"LOCPATH", Form::list},
    {"GCONV_PATH", Form::list},
    {"TZDIR", Form::name},
    // Qt's platform plugin folder.
    {"QT_QPA_PLATFORM_PLUGIN_PATH", Form::name},
    // On X: the authority files of the display and of the session manager,
    // X's locale files, the compose file read at the first key.
    {"XAUTHORITY", Form::name},
    {"ICEAUTHORITY", Form::name},
    {"XLOCALEDIR", Form::list},
    {"XCOMPOSEFILE", Form::name},
    // The buses Qt and the print system's libraries reach: a socket or a
    // program named relative to the working folder.
    {"DBUS_SESSION_BUS_ADDRESS", Form::addresses},
    {"DBUS_SYSTEM_BUS_ADDRESS", Form::addresses},
    {"AT_SPI_BUS_ADDRESS", Form::addresses},
    // The print system (libcups, and GnuTLS, which it loads): its
    // configuration and data folders, GnuTLS's priority file, and the file
    // GnuTLS writes its session keys to.
    {"CUPS_SERVERROOT", Form::name},
    {"CUPS_DATADIR", Form::name},
    {"CUPS_STATEDIR", Form::name},
    {"CUPS_SERVERBIN", Form::name},
    {"GNUTLS_SYSTEM_PRIORITY_FILE", Form::name},
    {"SSLKEYLOGFILE", Form::name},
};

// Once the process is back in its working folder: the limit on core files
// as it was, so that a crash writes its core file where the user started
// the program. One step, right after the way back succeeds, on whichever
// thread makes it.
void cameBackToWorkingFolder() {
    QtSetUp& s = qtSetUp();
    // Where the hard limit went below the old soft one meanwhile (nothing of
    // ours lowers it), none stays allowed.
    if (s.coreLimitLowered.exchange(false)) ::setrlimit(RLIMIT_CORE, &s.coreLimit);
}

// How the thread that makes the way back holds the folder's descriptor.
enum WayBackTable : int { kCopying, kOwnTable, kSharedTable };
std::atomic<int> g_wayBackTable{kCopying};

// The way back to the working folder, made on a thread of its own, since
// the change of folder may wait for good: the kernel asks the folder's file
// system whether the process may enter it, and a share that no longer
// answers (a network share gone, a FUSE server stopped) leaves the call
// waiting in the kernel, for a FUSE share that took the request even past
// a fatal signal, until it answers or is aborted. The start goes on
// without waiting: the program never uses the working folder, so it does
// not matter when the way back ends, or whether it does.
// The thread holds back every signal (given the mask before it starts),
// so that none is ever taken on it while it waits: each goes to a thread
// that can run its handler, and an end signal ends the program as anywhere
// else. It makes a table of descriptors of its own, holding the folder's
// alone: at the process's end, while it still waits, the other threads'
// descriptors (the display connection, the files) close as the last of
// them ends, and the windows go with the connection.
void* comeBack(void* descriptor) {
    const int folder = int(reinterpret_cast<std::intptr_t>(descriptor));
    // Without a table of its own (a shortage) the thread shares the
    // process's, and closes the folder's descriptor there itself: the
    // starting thread must not close a number it may still use.
    const bool own = ::unshare(CLONE_FILES) == 0;
    g_wayBackTable.store(own ? kOwnTable : kSharedTable, std::memory_order_release);
    g_wayBackTable.notify_all();
    if (own) {
        // Closing these copies leaves the files open in the process's table.
        if (folder > 0) ::close_range(0, unsigned(folder) - 1, 0);
        ::close_range(unsigned(folder) + 1, ~0U, 0);
    }
    // Where it fails (the folder gone, the share aborted) the process stays
    // where the set-up put it, with no core file allowed.
    if (::fchdir(folder) == 0) cameBackToWorkingFolder();
    ::close(folder);
    return nullptr;
}

// Starts the way back to the folder of the descriptor, which it takes.
// Where no thread can be started (a shortage) the process stays where the
// set-up put it, with no core file allowed.
void startWayBack(int folder) {
    sigset_t all, before;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    pthread_attr_t attributes;
    bool started = ::pthread_attr_init(&attributes) == 0;
    if (started) {
        pthread_t thread;
        started = ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0 &&
                  ::pthread_create(&thread, &attributes, comeBack,
                                   reinterpret_cast<void*>(std::intptr_t(folder))) == 0;
        ::pthread_attr_destroy(&attributes);
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (!started) {
        ::close(folder);
        return;
    }
    // The copy of the table is made in memory at once, and waits for no file
    // system.
    g_wayBackTable.wait(kCopying, std::memory_order_acquire);
    if (g_wayBackTable.load(std::memory_order_acquire) == kOwnTable) ::close(folder);
}

} // namespace

void prepareProcessForQt() {
    QtSetUp& s = qtSetUp();
    if (s.begun) return;
    s.begun = true;
    // Before Qt or any library reads them, and before any other thread.
    for (const auto& named : kNamedInEnvironment)
        keepAbsoluteNames(named.variable, named.form);
    // Away from the working folder, a crash would write its core file into
    // the folder the set-up runs in, under a relative core pattern (Debian's
    // "core"): a large file in a system folder. None is allowed until the
    // process is back; where it never gets back, none is allowed at all.
    if (::getrlimit(RLIMIT_CORE, &s.coreLimit) == 0) {
        const rlimit none{0, s.coreLimit.rlim_max};
        s.coreLimitLowered = ::setrlimit(RLIMIT_CORE, &none) == 0;
    }
    s.plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    s.pluginPathSet = qEnvironmentVariableIsSet("QT_PLUGIN_PATH");
    s.pluginPath = qgetenv("QT_PLUGIN_PATH");
    qputenv("QT_PLUGIN_PATH", executableFolderPath(s));
    // The way back to the working folder is a descriptor taken through its
    // absolute name under /proc: the folder is never looked up by a relative
    // name. Coming back keeps the process where the user started it, for
    // what the system makes there (a core file); without /proc the program
    // stays where the set-up put it, since it never uses the working folder
    // itself.
    s.workingFolder = ::open("/proc/self/cwd", O_PATH | O_DIRECTORY | O_CLOEXEC);
    // Without Qt's plugin folder, the root folder, which only the system
    // may change, stands in for it.
    if (::chdir(QFile::encodeName(s.plugins).constData()) != 0 && ::chdir("/") != 0) {
        // Nothing else stands in: Qt takes the working folder as it is.
    }
    QCoreApplication::setLibraryPaths({s.plugins});
}

void afterQtSetUp() {
    QtSetUp& s = qtSetUp();
    // The font warm-up's thread reads the environment until then.
    waitForFontConfiguration();
    if (s.pluginPathSet)
        qputenv("QT_PLUGIN_PATH", s.pluginPath);
    else
        qunsetenv("QT_PLUGIN_PATH");
    if (s.executableFolder >= 0) {
        ::close(s.executableFolder);
        s.executableFolder = -1;
    }
    if (s.workingFolder >= 0) {
        startWayBack(s.workingFolder);
        s.workingFolder = -1;
    }
    // A platform plugin folder given by QT_QPA_PLATFORM_PLUGIN_PATH served
    // the set-up alone.
    QCoreApplication::setLibraryPaths({s.plugins});
}

} // namespace vb
