#include "sampledata/command_line.h"

#include <QCommandLineParser>

namespace sampledata {
namespace {

// A count option: absent gives 0; present must be a whole number from 0 up.
bool countValue(const QCommandLineParser& parser, const QCommandLineOption& option, int& out,
                std::string& error) {
    if (!parser.isSet(option)) return true;
    bool ok = false;
    const QString text = parser.value(option);
    const int n = text.toInt(&ok);
    if (!ok || n < 0) {
        error = "--" + option.names().front().toStdString() + " needs a whole number from 0 up, not \"" +
                text.toStdString() + "\"";
        return false;
    }
    out = n;
    return true;
}

} // namespace

CommandLine parseCommandLine(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Writes the catalogue's sample data folder: every file the program "
                                     "reads, in its real format.");
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument("folder", "The folder to write (usually the program's folder).");
    const QCommandLineOption filler("filler-brands", "Add N brands with one family and model each.", "N");
    const QCommandLineOption big("big-catalogue", "Add one brand whose model table holds N models.", "N");
    const QCommandLineOption lower("lower-case", "Write every file and folder name in lower case.");
    parser.addOption(filler);
    parser.addOption(big);
    parser.addOption(lower);

    CommandLine cl;
    const std::string usage = "\nTry \"sampledata --help\".";
    if (!parser.parse(args)) {
        cl.message = parser.errorText().toStdString() + usage;
        return cl;
    }
    if (parser.isSet(help) || parser.isSet("help-all")) {
        cl.action = CommandLine::Action::ShowHelp;
        cl.message = parser.helpText().toStdString();
        return cl;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        cl.message = "No output folder given." + usage;
        return cl;
    }
    if (positional.size() > 1) {
        cl.message = "One output folder only, not " + std::to_string(positional.size()) + "." + usage;
        return cl;
    }
    if (!countValue(parser, filler, cl.options.fillerBrands, cl.message) ||
        !countValue(parser, big, cl.options.bigCatalogueModels, cl.message)) {
        cl.message += usage;
        return cl;
    }
    cl.options.lowerCaseNames = parser.isSet(lower);
    cl.folder = positional.front().toStdString();
    cl.action = CommandLine::Action::Write;
    return cl;
}

} // namespace sampledata
