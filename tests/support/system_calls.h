#pragma once

// A seam around the system calls of a save: the test programs are linked with
// --wrap for pwritev, ftruncate, fdatasync, fsync, rename and unlink, so the
// core's calls pass through here, are logged, can be stopped or failed, and
// otherwise go on to the system.

#include <string>
#include <vector>

#include <sys/types.h>

struct SystemCall {
    std::string name;       // "pwrite", "fdatasync", "fsync", "rename", "unlink"
    mode_t mode = 0;        // of the file written or synced: its type and permission bits
};

extern std::vector<SystemCall> systemCallLog;  // filled while logSystemCalls is set
extern bool logSystemCalls;
extern int signalAtDataSync;  // raised at the next fdatasync when not 0

// Crash points, counted over every wrapped call from 1 while not 0. At call
// stopAtCall the process ends with kStoppedExit, as a kill would end it: a
// write is made half, any other call is made first. From call failFromCall on,
// every call fails with EIO, as a dying disk would.
extern int stopAtCall;
extern int failFromCall;
extern bool syncAtStop;   // the disk is given all written so far before the end at stopAtCall
extern int wrappedCalls;  // counted so far
constexpr int kStoppedExit = 77;
