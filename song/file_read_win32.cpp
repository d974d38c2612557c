#include "song/file_read_parts.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "song/file_path.h"

// The size is checked once the file is open, by regularFileSize.
int openRegularFile(const std::wstring& path) { return _wopen(filePath(path).c_str(), _O_RDONLY | _O_BINARY); }

bool regularFileSize(int file, std::uint64_t& size) {
    struct _stat64 status;
    if (_fstat64(file, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        return false;
    }
    size = std::uint64_t(status.st_size);
    return true;
}

long long readSome(int file, std::uint8_t* to, std::size_t count) {
    return _read(file, to, static_cast<unsigned>(count < (1u << 30) ? count : (1u << 30)));
}

void closeFile(int file) { _close(file); }
