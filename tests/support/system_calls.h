#pragma once

// A seam around the system calls that order a save on the disk: the test
// programs are linked with --wrap for fdatasync, fsync and rename, so the
// core's calls pass through here, are logged, and go on to the system.

#include <string>
#include <vector>

#include <sys/types.h>

struct SystemCall {
    std::string name;       // "fdatasync", "fsync", "rename"
    mode_t mode = 0;        // of the file synced: its type and permission bits
};

extern std::vector<SystemCall> systemCallLog;  // filled while logSystemCalls is set
extern bool logSystemCalls;
extern int signalAtDataSync;  // raised at the next fdatasync when not 0
