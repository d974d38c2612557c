#include "support/system_calls.h"

#include <csignal>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

std::vector<SystemCall> systemCallLog;
bool logSystemCalls = false;
int signalAtDataSync = 0;

namespace {

void logCall(const char* name, int file) {
    if (!logSystemCalls) {
        return;
    }
    struct stat status {};
    if (file >= 0) {
        fstat(file, &status);
    }
    systemCallLog.push_back({name, status.st_mode});
}

}  // namespace

extern "C" {

int __real_fdatasync(int file);
int __real_fsync(int file);
int __real_rename(const char* from, const char* to);

int __wrap_fdatasync(int file) {
    logCall("fdatasync", file);
    if (signalAtDataSync != 0) {
        std::raise(signalAtDataSync);
    }
    return __real_fdatasync(file);
}

int __wrap_fsync(int file) {
    logCall("fsync", file);
    return __real_fsync(file);
}

int __wrap_rename(const char* from, const char* to) {
    logCall("rename", -1);
    return __real_rename(from, to);
}

}
