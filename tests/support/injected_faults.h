#pragma once
// Passing faults of the system injected into the calls that open or read
// named files, as a full descriptor table, a lack of kernel memory or a disk
// that answers EIO would give them. The calls are trapped by a system-call
// filter and made again by the trap (or failed), so nothing else changes.
// A filter stays for the life of the process: inject in a child process.
#include <string>
#include <vector>

namespace testing_support {

struct InjectedFault {
    enum Call {
        Open, // openat, openat2 of a path whose last name is name
        Read, // pread of a descriptor open on a file of that name
    };
    Call call;
    std::string name;
    int error;
    int times = 1; // how many such calls fail, the first ones
};

// From now on, in this thread and in the threads it starts later, each
// fault's calls fail with its error; every other call is made as asked.
// Call once. False where the system allows no such filter or no trapped
// call can be answered (a machine whose registers are not known here).
bool injectFaults(const std::vector<InjectedFault>& faults);
// How many calls have failed so far.
int injectedFaultCount();

} // namespace testing_support
