#pragma once
// Reading a whole file of the data directory into memory. Only regular files are read: a FIFO or a
// device opened for reading can block for ever or never end. The file is opened without waiting
// (O_NONBLOCK) and the opened descriptor is checked, so a file swapped for a FIFO after an existence
// test is refused too. Reads are bounded: a file larger than its kind's limit is an error, never an
// allocation without end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace velmora {

// INI files, the caption list and the introduction: an INI file of 100,000 hotspots is about 6 MB.
inline constexpr size_t MaxTextFileBytes = size_t(64) << 20;
// Page, item and sign pictures: a real JPEG of the catalogue is a few MB.
inline constexpr size_t MaxPictureFileBytes = size_t(256) << 20;

// The error of a path that names something other than a regular file or a directory (a FIFO, a
// device, a socket); not an errno value.
inline constexpr int NotRegularFileError = -1;

// The text of an error of ReadBoundedFile: the system's description of an errno value, or our own.
inline std::string FileErrorText(int error) {
    if (error == NotRegularFileError) return "Not a regular file";
    return std::strerror(error);
}

// Replaces bytes (a std::string or std::vector of bytes) by the whole content of the regular file at
// path. Returns 0, or an errno value (EISDIR for a directory, EFBIG for a file larger than limit), or
// NotRegularFileError; bytes are then empty.
template <class Bytes>
int ReadBoundedFile(const std::string& path, size_t limit, Bytes& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return NotRegularFileError;
    // Refused from its size alone: a huge (or sparse) file costs no reading.
    if (info.st_size < 0 || static_cast<uintmax_t>(info.st_size) > limit) return EFBIG;
    // A regular file reads as it always would; the flag was only for the open.
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    // One byte more than the size told, so that the end shows without another allocation; a file that
    // grows meanwhile (or tells no size, as under /proc) is read on, but only up to the limit.
    bytes.resize(static_cast<size_t>(info.st_size) + 1);
    size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit) {
                bytes.clear();
                return EFBIG;
            }
            bytes.resize(std::min(std::max(bytes.size() * 2, size_t(65536)), limit + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            bytes.clear();
            return error;
        }
        filled += static_cast<size_t>(n);
    }
    bytes.resize(filled);
    return 0;
}

}  // namespace velmora
