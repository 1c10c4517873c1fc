#pragma once
// Passing faults of the system injected into the calls that look at, open or
// read named files, as a full descriptor table, a lack of kernel memory or a
// disk that answers EIO would give them. The calls are trapped by a system-call
// filter and made again by the trap (or failed), so nothing else changes.
// A filter stays for the life of the process: inject in a child process.
#include "support/harness.h"

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace testing_support {

struct InjectedFault {
    enum Call {
        Open, // openat, openat2 of a path whose last name is name
        Read, // pread, read of a descriptor open on a file of that name
        Stat, // stat, lstat, newfstatat, statx of a path whose last name is name
    };
    Call call;
    std::string name;
    int error;
    int times = 1; // how many such calls fail
    int skip = 0;  // how many such calls are made before the first fails
};

// From now on, in this thread and in the threads it starts later, each
// fault's calls fail with its error; every other call is made as asked.
// Call once. False where the system allows no such filter or no trapped
// call can be answered (a machine whose registers are not known here).
bool injectFaults(const std::vector<InjectedFault>& faults);
// How many calls have failed so far.
int injectedFaultCount();
// For a child process told its fault by name: the call named "open", "read"
// or "stat"; the error named "EMFILE", "ENFILE", "ENOMEM", "EACCES" or "EIO"
// (0 for any other name).
InjectedFault::Call callNamed(const QByteArray& name);
int errorNamed(const QByteArray& name);

// A window short of descriptors system-wide (ENFILE) or of kernel memory
// (ENOMEM) as it reads one of its files says so (67, 7) of that file, and
// never calls it missing or damaged. A test checks this by running itself in
// a child process per shortage: there shortageChild() holds, the test opens
// its window as far as the read, injects with injectToldShortage() and reads.
//
// Parent: runs test (this test's full name) so, and fails unless each of
// files, where the shortage is met, is told so, and nothing else is said.
// The shortage meets every open of those names; of "name@n", every open
// after the first n (the window has found the file). "*" stands for the
// program folder's own name, which the letter-case lookup lists.
void expectShortagesTold(const QString& test, const std::vector<std::string>& files);
// Child: whether this process is one.
bool shortageChild();
// Child: injects the shortage it is told of; false where that fails.
bool injectToldShortage(const std::string& programFolder);
// Child: prints the boxes shown for its parent; call at the end.
void reportBoxesToParent(const ScriptedServices& svc);

} // namespace testing_support
