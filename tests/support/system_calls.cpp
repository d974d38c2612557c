#include "support/system_calls.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>

#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

std::vector<SystemCall> systemCallLog;
bool logSystemCalls = false;
int signalAtDataSync = 0;
int stopAtCall = 0;
int failFromCall = 0;
bool syncAtStop = false;
int wrappedCalls = 0;

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

enum class Crash { None, Stop, Fail };

Crash nextCall() {
    ++wrappedCalls;
    if (stopAtCall != 0 && wrappedCalls == stopAtCall) {
        return Crash::Stop;
    }
    if (failFromCall != 0 && wrappedCalls >= failFromCall) {
        errno = EIO;
        return Crash::Fail;
    }
    return Crash::None;
}

// Runs `call` unless this call is to fail; ends the process after it if it is a crash point.
template <typename Call>
auto crashPoint(Call call) -> decltype(call()) {
    const Crash crash = nextCall();
    if (crash == Crash::Fail) {
        return -1;
    }
    const auto result = call();
    if (crash == Crash::Stop) {
        if (syncAtStop) {
            sync();
        }
        _exit(kStoppedExit);
    }
    return result;
}

}  // namespace

extern "C" {

ssize_t __real_pwritev(int file, const iovec* parts, int count, off_t offset);
int __real_ftruncate(int file, off_t length);
int __real_fdatasync(int file);
int __real_fsync(int file);
int __real_rename(const char* from, const char* to);
int __real_unlink(const char* path);

// Logged as "pwrite": a write at an offset, of one piece or of many.
ssize_t __wrap_pwritev(int file, const iovec* parts, int count, off_t offset) {
    logCall("pwrite", file);
    std::vector<iovec> written(parts, parts + count);
    if (stopAtCall != 0 && wrappedCalls + 1 == stopAtCall) {
        std::size_t total = 0;
        for (const iovec& part : written) {
            total += part.iov_len;
        }
        // The first half of the bytes, the pieces that hold them cut to them.
        std::size_t left = (total + 1) / 2;
        for (iovec& part : written) {
            part.iov_len = std::min(part.iov_len, left);
            left -= part.iov_len;
        }
    }
    return crashPoint([&] { return __real_pwritev(file, written.data(), count, offset); });
}

int __wrap_ftruncate(int file, off_t length) {
    return crashPoint([&] { return __real_ftruncate(file, length); });
}

int __wrap_fdatasync(int file) {
    logCall("fdatasync", file);
    if (signalAtDataSync != 0) {
        std::raise(signalAtDataSync);
    }
    return crashPoint([&] { return __real_fdatasync(file); });
}

int __wrap_fsync(int file) {
    logCall("fsync", file);
    return crashPoint([&] { return __real_fsync(file); });
}

int __wrap_rename(const char* from, const char* to) {
    logCall("rename", -1);
    return crashPoint([&] { return __real_rename(from, to); });
}

int __wrap_unlink(const char* path) {
    logCall("unlink", -1);
    return crashPoint([&] { return __real_unlink(path); });
}

}
