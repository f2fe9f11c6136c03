#include "toolkit/files.h"

#include <QCoreApplication>
#include <sys/stat.h>

#include "core/bounded_file_read.h"

namespace velmora {

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    return ReadBoundedFile(path, MaxTextFileBytes, bytes) == 0;
}

std::string ExecutableDir() {
    std::string dir = QCoreApplication::applicationDirPath().toStdString();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace velmora
