#pragma once
// The generator's command line: the output folder and the variant options.
#include "sampledata/sampledata.h"

#include <QStringList>
#include <string>

namespace sampledata {

struct CommandLine {
    enum class Action { Write, ShowHelp, Fail };
    Action action = Action::Fail;
    std::string folder;
    Options options;
    // The help text for ShowHelp, the reason for Fail.
    std::string message;
};

// args as QCoreApplication::arguments() gives them, the program name first.
CommandLine parseCommandLine(const QStringList& args);

} // namespace sampledata
