// A plugin that says it was loaded: once the dynamic loader maps it, it adds
// a line naming its kind to the file CATALOGUE_TEST_MARKER names. Built once
// per kind of plugin Qt looks for (MARKER_KIND, MARKER_IID); its keys name
// what Qt asks for at a start, so that Qt takes it wherever it looks.
#include <QObject>
#include <QtPlugin>
#include <cstdio>
#include <cstdlib>

namespace {

struct Marker {
    Marker() {
        const char* to = std::getenv("CATALOGUE_TEST_MARKER");
        if (!to) return;
        if (FILE* f = std::fopen(to, "a")) {
            std::fputs(MARKER_KIND "\n", f);
            std::fclose(f);
        }
    }
} marker;

} // namespace

class MarkerPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID MARKER_IID FILE "marker.json")
};

#include "marker.moc"
