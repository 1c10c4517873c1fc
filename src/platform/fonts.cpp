#include "platform/fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace vb {

void registerFonts() {
    QDir dir(QStringLiteral("/usr/share/wine/fonts"));
    for (const QString& f : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files))
        QFontDatabase::addApplicationFont(dir.filePath(f));
}

} // namespace vb
