#pragma once
// A fresh folder for one test, removed afterwards.
#include <QTemporaryDir>
#include <string>

namespace testing_support {

struct TempDir {
    QTemporaryDir dir;
    std::string file(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
};

} // namespace testing_support
