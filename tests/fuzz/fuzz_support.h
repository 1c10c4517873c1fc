#pragma once
// What the file-reading fuzz targets share: a Qt application on the
// offscreen platform, quiet services, and a program folder of their own in
// which each input is written as the file the reader opens.
#include "core/module1.h"
#include "core/scramble.h"
#include "platform/form.h"
#include "platform/program_folder.h"
#include "platform/services.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// The font libraries keep caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\n";
}

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
        // Never destroyed: its destructor would run after Qt's own statics.
        new QApplication(argc, argv);
        static QuietServices services;
        vb::setServices(&services);
        static QTemporaryDir dir;
        namespace fs = std::filesystem;
        // Every reader finds the rest of the data set where the program
        // expects it; each input replaces one file of it.
        for (const auto& e : fs::directory_iterator(SAMPLE_DATA_DIR))
            if (e.is_directory())
                fs::copy(e.path(), fs::path(dir.path().toStdString()) / e.path().filename(),
                         fs::copy_options::recursive);
        for (const char* sub : {"des", "Ark", "mas"})
            fs::create_directories(dir.path().toStdString() + "/" + sub);
        vb::setProgramFolder(dir.path().toStdString());
        core::AppPath = vb::programFolder();
        core::Lang = "_ita";
        return dir.path().toStdString();
    }();
    return folder;
}

// The key tables and the code-page table the decoders use, built once.
inline void keysReady() {
    static const bool ready = [] {
        core::InitKeys();
        core::InitIdentityTable();
        return true;
    }();
    (void)ready;
}

// Writes the input as the file at relative (slashes), replacing it.
inline std::string writeInput(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    const std::string path = programFolder() + "/" + relative;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

} // namespace fuzzing
