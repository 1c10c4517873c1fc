#include "support/tools.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <unistd.h>

namespace testing_support {

std::optional<QByteArray> runTool(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    std::string failure;
    if (!p.waitForStarted(timeoutMs))
        failure = "cannot be started: " + p.errorString().toStdString();
    else if (!p.waitForFinished(timeoutMs)) {
        failure = "did not end within " + std::to_string(timeoutMs / 1000) + " s";
        p.kill();
        p.waitForFinished(5000);
    } else if (p.exitStatus() != QProcess::NormalExit)
        failure = "crashed";
    else if (p.exitCode() != 0)
        failure = "exited with status " + std::to_string(p.exitCode());
    if (failure.empty()) return p.readAllStandardOutput();
    ADD_FAILURE() << (program + " " + args.join(' ')).toStdString() << ": " << failure << "\n"
                  << QString::fromLocal8Bit(p.readAllStandardError()).toStdString();
    return std::nullopt;
}

} // namespace testing_support

namespace testing_support {

std::optional<QStringList> mountNamespace(std::string& whyNot) {
    const QStringList unshare =
        ::geteuid() == 0 ? QStringList{"--mount"} : QStringList{"--user", "--map-root-user", "--mount"};
    QProcess probe;
    probe.start("unshare", unshare + QStringList{"true"});
    if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
        return unshare;
    whyNot = probe.readAllStandardError().toStdString() + probe.errorString().toStdString();
    return std::nullopt;
}

} // namespace testing_support
