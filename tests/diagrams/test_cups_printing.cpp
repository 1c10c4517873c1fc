// The path a workshop prints through: a CUPS server with a queue, started
// by the test itself, and the viewer printing to it as the system printer.
#include "diagram_fixture.h"

#include "platform/printer.h"
#include "support/pdf.h"
#include "support/tools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

using namespace diagram_tests;

namespace {

constexpr const char* kChildFlag = "CATALOGUE_CUPS_CHILD";

bool writeFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write(text.toUtf8());
    return true;
}

// A private cupsd on a socket in a temporary folder, with one queue whose
// backend saves every job into a file.
class CupsServer {
  public:
    std::string error; // why the server is not there
    QString socket, output;

    CupsServer() {
        const QString cupsd =
            QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin", "/usr/local/sbin"});
        const QString lpadmin = QStandardPaths::findExecutable("lpadmin", {"/usr/sbin", "/usr/bin"});
        if (cupsd.isEmpty() || lpadmin.isEmpty()) {
            error = "cupsd or lpadmin not installed (Debian packages cups and cups-client)";
            return;
        }
        const QString d = dir_.path();
        for (const char* sub : {"log", "cache", "state", "spool", "tmp", "out", "etc", "bin/backend"})
            QDir(d).mkpath(sub);
        // The backend may run as the spooler's own user.
        QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                     QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                     QFileDevice::ExeGroup);
        QFile::setPermissions(d + "/out", QFileDevice::Permissions(0x7777));
        for (const char* sub : {"filter", "cgi-bin", "daemon", "notifier", "driver", "monitor"})
            QFile::link(QString("/usr/lib/cups/") + sub, d + "/bin/" + sub);
        const QString backend = d + "/bin/backend/save";
        writeFile(backend,
                  "#!/bin/sh\n"
                  "if [ $# -eq 0 ]; then echo 'file save \"Unknown\" \"Job to a file\"'; exit 0; fi\n"
                  "out=${DEVICE_URI#save:}\n"
                  "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.part\"; else cat > \"$out.part\"; fi\n"
                  "mv \"$out.part\" \"$out\"\n");
        QFile::setPermissions(backend, QFileDevice::Permissions(0x7555));
        socket = d + "/cups.sock";
        output = d + "/out/job.pdf";
        writeFile(d + "/etc/cupsd.conf",
                  "Listen " + socket +
                      "\nLogLevel warn\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                      "</Policy>\n");
        QString user = "lp", group = "lp", system = "root";
        if (geteuid() != 0) {
            user = QString::fromLocal8Bit(getpwuid(geteuid())->pw_name);
            group = system = QString::fromLocal8Bit(getgrgid(getegid())->gr_name);
        }
        writeFile(d + "/etc/cups-files.conf",
                  "AccessLog " + d + "/log/access_log\nErrorLog " + d + "/log/error_log\nPageLog " + d +
                      "/log/page_log\nCacheDir " + d + "/cache\nStateDir " + d + "/state\nRequestRoot " + d +
                      "/spool\nTempDir " + d + "/tmp\nServerRoot " + d + "/etc\nServerBin " + d +
                      "/bin\nDataDir /usr/share/cups\nUser " + user + "\nGroup " + group + "\nSystemGroup " +
                      system + "\n");
        cupsd_.setWorkingDirectory(d);
        cupsd_.start(cupsd, {"-f", "-c", d + "/etc/cupsd.conf", "-s", d + "/etc/cups-files.conf"});
        if (!cupsd_.waitForStarted(10000)) {
            error = "cupsd did not start: " + cupsd_.errorString().toStdString();
            return;
        }
        for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
            QThread::msleep(100);
        if (!QFile::exists(socket)) {
            error = "cupsd started but does not listen: " + log();
            return;
        }
        if (!testing_support::runTool(
                lpadmin, {"-h", socket, "-p", "workshop", "-E", "-v", "save:" + output, "-m", "raw"},
                20000) ||
            !testing_support::runTool(lpadmin, {"-h", socket, "-d", "workshop"}, 20000))
            error = "lpadmin failed: " + log();
    }
    ~CupsServer() {
        if (cupsd_.state() != QProcess::NotRunning) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(5000)) cupsd_.kill();
            cupsd_.waitForFinished(5000);
        }
    }
    std::string log() const {
        QFile f(dir_.path() + "/log/error_log");
        f.open(QIODevice::ReadOnly);
        return f.readAll().right(2000).toStdString();
    }

  private:
    QTemporaryDir dir_;
    QProcess cupsd_;
};

TEST(CupsPrinting, DiagramReachesTheQueueOfALocalServer) {
    if (qEnvironmentVariableIsSet(kChildFlag)) GTEST_SKIP() << "inside the printing child";
    CupsServer server;
    ASSERT_TRUE(server.error.empty()) << server.error;
    // The printing runs in a child process, so that the print system meets
    // this server from its very first call.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", server.socket);
    env.insert(kChildFlag, "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=CupsPrintingChild.*"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const std::string out = child.readAll().toStdString();
    ASSERT_EQ(child.exitCode(), 0) << out;
    ASSERT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
    for (int i = 0; i < 300 && !QFile::exists(server.output); ++i)
        QThread::msleep(100);
    ASSERT_TRUE(QFile::exists(server.output)) << "no job came out of the queue\n" << server.log();
    const std::string pdf = server.output.toStdString();
    EXPECT_EQ(testing_support::pdfPages(pdf), 1);
    const std::string text = testing_support::pdfText(pdf);
    EXPECT_NE(text.find("Iniezione benzina ARDESIA ALBA 1.2 16V"), std::string::npos) << text;
    EXPECT_NE(text.find("10   (1) Centralina motore"), std::string::npos);
}

using CupsPrintingChild = DiagramTest;

TEST_F(CupsPrintingChild, PrintsThroughTheSystemPrinter) {
    if (!qEnvironmentVariableIsSet(kChildFlag)) GTEST_SKIP() << "run by CupsPrinting with its server";
    vb::Printer().setPdfOutput("");
    ASSERT_EQ(vb::Printer().DeviceName(), "workshop");
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    on["Form5"] = [&](vb::Form*) {
        diagrams::Form5& f = diagrams::Form5::get();
        svc.printerAnswers.push_back({true, vb::vbPRCMMonochrome, vb::vbPRORPortrait});
        f.Command8_Click();
        ASSERT_TRUE(f.Timer1.Enabled());
        f.Timer1_Timer();
    };
    openViewer("B100", 12, "Iniezione benzina ARDESIA ALBA 1.2 16V");
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_EQ(vb::Printer().jobs()[0].device, "workshop");
    EXPECT_TRUE(svc.boxes.empty());
}

} // namespace
