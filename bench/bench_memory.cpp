// Peak memory of the main window against an empty window, one process each:
//
//   bench_memory --empty            an empty 1024x768 window
//   bench_memory --main <folder>    the main window on the data set in <folder>,
//                                   with its biggest brand chosen
//
// Each prints "peak_rss_kb <n>" (getrusage's high-water mark) and exits.
// bench/memory.sh writes the data sets and puts the figures side by side.
#include "bench_support.h"

#include "app/windows.h"
#include "core/module1.h"
#include "platform/program_folder.h"
#include "sampledata/expected.h"
#include "selection/main_window.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

int emptyWindow() {
    QWidget w;
    w.resize(1024, 768);
    w.show();
    settle();
    return 0;
}

int mainWindow(const char* folder) {
    vb::setProgramFolder(folder);
    static BenchServices services;
    vb::setServices(&services);
    registerAllWindows();
    vb::FormRegistry::get("Form1")->Show();
    settle();
    selection::Form2& f = selection::Form2::get();
    f.Show();
    settle();
    // The last brand in the grid is the big one when the data set has it.
    int big = f.ListaMarche.ListCount() - 1;
    for (int i = 0; i < f.ListaMarche.ListCount(); ++i)
        if (f.ListaID_Marche.List(i) == sampledata::expected::kBigBrandId) big = i;
    if (big < 0) return 1;
    f.ListaMarche.setListIndex(big);
    settle();
    if (f.MSGrid1.Rows() > 2) f.MSGrid1.setRow(2); // a model choice reads the memo
    settle();
    std::fprintf(stderr, "models shown: %d\n", f.MSGrid1.Rows() - 1);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int rc = 2;
    if (argc == 2 && !std::strcmp(argv[1], "--empty"))
        rc = emptyWindow();
    else if (argc == 3 && !std::strcmp(argv[1], "--main"))
        rc = mainWindow(argv[2]);
    else
        std::fprintf(stderr, "usage: bench_memory --empty | --main <data folder>\n");
    if (rc == 0) std::printf("peak_rss_kb %ld\n", peakRssKb());
    std::fflush(stdout);
    std::_Exit(rc); // the figure is taken; tearing the windows down adds nothing to it
}
