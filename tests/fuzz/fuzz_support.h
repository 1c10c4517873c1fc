#pragma once
// What the file-reading fuzz targets share: a Qt application on the
// offscreen platform, quiet services, and a program folder of their own in
// which each input is written as the file the reader opens.
#include "core/module1.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/services.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzzing {

struct QuietServices : vb::Services {
    int msgBox(const std::string&, int, const std::optional<std::string>&) override { return vb::vbOK; }
    void beep() override {}
    int screenWidth() const override { return 15360; }
    int screenHeight() const override { return 11520; }
    void showModal(vb::Form& form, vb::Form*) override { form.Unload(); }
    // None of the readers may end the program.
    [[noreturn]] void endProgram() override { std::abort(); }
};

// Starts Qt and the program folder once per process; returns the folder.
inline const std::string& programFolder() {
    static const std::string folder = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
        static QuietServices services;
        vb::setServices(&services);
        static QTemporaryDir dir;
        std::filesystem::create_directories(dir.path().toStdString() + "/des");
        std::filesystem::create_directories(dir.path().toStdString() + "/ark");
        std::filesystem::create_directories(dir.path().toStdString() + "/mas");
        vb::setProgramFolder(dir.path().toStdString());
        core::AppPath = vb::programFolder();
        core::Lang = "_ita";
        return dir.path().toStdString();
    }();
    return folder;
}

// Writes the input as the file at relative (slashes), replacing it.
inline std::string writeInput(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    const std::string path = programFolder() + "/" + relative;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

} // namespace fuzzing
