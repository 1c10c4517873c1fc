#include "support/tools.h"

#include <gtest/gtest.h>

#include <QProcess>

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
