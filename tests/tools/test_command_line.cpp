// The generator's command line, parsed and as a real process.
#include "sampledata/command_line.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sampledata::CommandLine;
using sampledata::parseCommandLine;

namespace {

CommandLine parse(QStringList args) {
    args.prepend("sampledata");
    return parseCommandLine(args);
}

TEST(SampleDataCommandLine, FolderAndVariantOptions) {
    CommandLine cl = parse({"out"});
    EXPECT_EQ(cl.action, CommandLine::Action::Write);
    EXPECT_EQ(cl.folder, "out");
    EXPECT_EQ(cl.options.fillerBrands, 0);
    EXPECT_EQ(cl.options.bigCatalogueModels, 0);
    EXPECT_FALSE(cl.options.lowerCaseNames);

    cl = parse({"--filler-brands", "64", "out", "--big-catalogue=50000", "--lower-case"});
    EXPECT_EQ(cl.action, CommandLine::Action::Write);
    EXPECT_EQ(cl.folder, "out");
    EXPECT_EQ(cl.options.fillerBrands, 64);
    EXPECT_EQ(cl.options.bigCatalogueModels, 50000);
    EXPECT_TRUE(cl.options.lowerCaseNames);
}

TEST(SampleDataCommandLine, HelpIsNeverTakenForAFolder) {
    for (const char* h : {"--help", "-h"}) {
        CommandLine cl = parse({h});
        EXPECT_EQ(cl.action, CommandLine::Action::ShowHelp) << h;
        EXPECT_NE(cl.message.find("--filler-brands"), std::string::npos);
        EXPECT_NE(cl.message.find("--big-catalogue"), std::string::npos);
        EXPECT_NE(cl.message.find("--lower-case"), std::string::npos);
        EXPECT_TRUE(cl.folder.empty());
    }
}

TEST(SampleDataCommandLine, BadCommandLinesSayWhy) {
    struct Case {
        QStringList args;
        const char* reason;
    };
    const Case cases[] = {
        {{"out", "--colour"}, "colour"},
        {{"-x", "out"}, "x"},
        {{}, "No output folder"},
        {{"a", "b"}, "One output folder"},
        {{"out", "--filler-brands"}, "filler-brands"},
        {{"out", "--filler-brands", "many"}, "\"many\""},
        {{"out", "--big-catalogue", "-5"}, "big-catalogue"},
    };
    for (const Case& c : cases) {
        CommandLine cl = parse(c.args);
        EXPECT_EQ(cl.action, CommandLine::Action::Fail) << c.args.join(' ').toStdString();
        EXPECT_NE(cl.message.find(c.reason), std::string::npos) << cl.message;
        EXPECT_NE(cl.message.find("--help"), std::string::npos) << cl.message;
    }
}

// The built generator, run in an empty folder: help and an unknown option
// write nothing.
TEST(SampleDataCommandLine, ProgramWritesNothingForHelpOrUnknownOption) {
    QTemporaryDir dir;
    const QString program = QStringLiteral(SAMPLE_DATA_DIR "/sampledata");
    auto run = [&](const QStringList& args, QByteArray& out, QByteArray& err) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << p.errorString().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        out = p.readAllStandardOutput();
        err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out, err;
    EXPECT_EQ(run({"--help"}, out, err), 0);
    EXPECT_TRUE(out.contains("--lower-case"));
    EXPECT_EQ(run({"--bogus"}, out, err), 2);
    EXPECT_TRUE(err.contains("bogus")) << err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    EXPECT_EQ(run({"data", "--filler-brands", "2"}, out, err), 0) << err.toStdString();
    EXPECT_TRUE(QDir(dir.path() + "/data/mas").exists());
}

} // namespace
