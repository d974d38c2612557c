#include "song/file_read_parts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "song/file_path.h"

// A device is looked at before it is opened: opening some (a tape, a serial
// line) acts on them. Opening without blocking spares a FIFO's wait for a writer.
int openRegularFile(const std::wstring& path) {
    const std::filesystem::path name = filePath(path);
    struct stat status;
    if (stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return -1;
    }
    return open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

bool regularFileSize(int file, std::uint64_t& size) {
    struct stat status;
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    size = std::uint64_t(status.st_size);
    return true;
}

long long readSome(int file, std::uint8_t* to, std::size_t count) { return read(file, to, count); }

void closeFile(int file) { close(file); }
