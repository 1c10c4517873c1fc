#pragma once
// Runs the command-line tools that the set-up installs for the tests
// (poppler's, LibreOffice Writer, CUPS's).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace testing_support {

// Runs program with args and returns what it wrote to its standard output.
// A tool that cannot be started, does not end in time, crashes or exits with
// a status other than 0 fails the test, with the command, how it ended and
// its error output, and gives nothing: an empty output is never read as a
// result.
std::optional<QByteArray> runTool(const QString& program, const QStringList& args, int timeoutMs = 30000);

} // namespace testing_support

namespace testing_support {

// The arguments that make unshare run a command in a mount namespace of its
// own (root needs no user namespace for it); nothing, with the reason in
// whyNot, where this machine offers none.
std::optional<QStringList> mountNamespace(std::string& whyNot);

} // namespace testing_support
