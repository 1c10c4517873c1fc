// Writes the sample data folder next to the program.
#include "sampledata/command_line.h"
#include "sampledata/sampledata.h"

#include <QGuiApplication>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const sampledata::CommandLine cl = sampledata::parseCommandLine(QCoreApplication::arguments());
    switch (cl.action) {
    case sampledata::CommandLine::Action::ShowHelp:
        std::fputs(cl.message.c_str(), stdout);
        return 0;
    case sampledata::CommandLine::Action::Fail:
        std::fprintf(stderr, "sampledata: %s\n", cl.message.c_str());
        return 2;
    case sampledata::CommandLine::Action::Write:
        break;
    }
    try {
        sampledata::writeSampleData(cl.folder, cl.options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sampledata: %s\n", e.what());
        return 1;
    }
    return 0;
}
