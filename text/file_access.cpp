#include "text/file_access.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/bounded_file_read.h"
#include "text/file_errors.h"

namespace velmora {

namespace {

// Closes a descriptor on every path out of a scope unless released.
class FileHandle {
public:
    explicit FileHandle(int fd) : FFd(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (FFd >= 0) ::close(FFd);
    }
    int get() const { return FFd; }
    // Closes now and reports the close's own error, which may be a delayed write error.
    int CloseReportingError() {
        int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int FFd;
};

int WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A link is replaced through: the new file goes where the link points, the link itself stays.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    }
    return path;
}

// The path a write to path lands on: links are followed one by one, so that one leading nowhere still
// tells where the new file would be made; the folders on the way are resolved at the end.
std::string WriteDestination(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
        if (n < 0) break;
        const std::string next(link, static_cast<size_t>(n));
        path = !next.empty() && next[0] == '/' ? next : DirectoryOf(path) + "/" + next;
    }
    char folder[PATH_MAX];
    if (::realpath(DirectoryOf(path).c_str(), folder) == nullptr) return {};
    const size_t slash = path.rfind('/');
    return std::string(folder) + "/" + (slash == std::string::npos ? path : path.substr(slash + 1));
}

bool IsWritableRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

// Overwrites the regular file target with bytes where it is. The space is reserved before the first
// byte is written, so a full disk fails with the old bytes intact.
void WriteInPlace(const std::string& path, const std::string& target, std::string_view bytes) {
    // Without waiting, should the file have become a FIFO meanwhile.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw EFileCreateError(path, errno);
    FileHandle file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw EFileCreateError(path, errno);
    if (!S_ISREG(st.st_mode)) throw EFileCreateError(path, NotRegularFileError);
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    const off_t size = static_cast<off_t>(bytes.size());
    if (size > st.st_size) {
        if (int e = ::posix_fallocate(fd, 0, size)) {
            // Part of the space may have been added before it ran out; the old length is restored.
            [[maybe_unused]] const int restored = ::ftruncate(fd, st.st_size);
            throw EFileCreateError(path, e);
        }
    }
    if (int e = WriteAll(fd, bytes)) throw EFileCreateError(path, e);
    if (::ftruncate(fd, size) != 0) throw EFileCreateError(path, errno);
    if (::fsync(fd) != 0) throw EFileCreateError(path, errno);
    if (int e = file.CloseReportingError()) throw EFileCreateError(path, e);
}

}  // namespace

bool LinksOutOfItsFolder(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
    char root[PATH_MAX];
    if (::realpath(DirectoryOf(path).c_str(), root) == nullptr) return false;
    std::string prefix = root;
    if (prefix.back() != '/') prefix += '/';
    const std::string destination = WriteDestination(path);
    return destination.size() <= prefix.size() || destination.compare(0, prefix.size(), prefix) != 0;
}

bool IsExistingFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    return S_ISREG(st.st_mode);
}

std::string ReadWholeFile(const std::string& path) {
    std::string data;
    if (int e = ReadBoundedFile(path, MaxTextFileBytes, data)) throw EFileOpenError(path, e);
    return data;
}

void ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) throw EFileCreateError(path, ENOENT);
    const std::string target = ResolveTarget(path);
    // Renaming would get round a file's own write protection; a file that may not be written stays.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        throw EFileCreateError(path, errno);
    }

    static unsigned serial = 0;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".~" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int error = errno;
        // A folder closed to new files may still hold a file open to writing: it is then written
        // where it is, as a plain save would write it, without the safety of the rename.
        if ((error == EACCES || error == EPERM) && IsWritableRegularFile(target)) {
            WriteInPlace(path, target, bytes);
            return;
        }
        throw EFileCreateError(path, error);
    }

    FileHandle file(fd);
    auto fail = [&](int error) {
        if (file.get() >= 0) file.CloseReportingError();
        ::unlink(temp.c_str());
        throw EFileCreateError(path, error);
    };

    // The replacement keeps the permissions of the file it replaces.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (::fchmod(fd, old.st_mode & 07777) != 0) fail(errno);
    }
    if (int e = WriteAll(fd, bytes)) fail(e);
    if (::fsync(fd) != 0) fail(errno);
    if (int e = file.CloseReportingError()) fail(e);
    if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno);

    // Make the rename itself durable; a failure here no longer endangers the data.
    int dirFd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace velmora
