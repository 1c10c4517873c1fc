#pragma once
// Quiet desktop services for benchmarks: no boxes, a fixed screen.
#include "platform/form.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

struct BenchServices : vb::Services {
    int boxes = 0;
    int msgBox(const std::string& prompt, int, const std::optional<std::string>&) override {
        ++boxes;
        std::fprintf(stderr, "message: %s\n", prompt.c_str());
        return vb::vbYes;
    }
    void beep() override {}
    int screenWidth() const override { return 15360; }
    int screenHeight() const override { return 11520; }
    void showModal(vb::Form& form, vb::Form*) override { form.Unload(); }
    [[noreturn]] void endProgram() override { std::abort(); }
};

// A copy of the data folder in a temporary folder, so that benchmarks never
// write into the build.
inline std::string copyDataFolder(const QTemporaryDir& dir) {
    namespace fs = std::filesystem;
    for (const auto& e : fs::directory_iterator(SAMPLE_DATA_DIR))
        if (e.is_directory())
            fs::copy(e.path(), fs::path(dir.path().toStdString()) / e.path().filename(),
                     fs::copy_options::recursive);
    return dir.path().toStdString();
}
