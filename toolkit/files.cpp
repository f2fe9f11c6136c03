#include "toolkit/files.h"

#include <QCoreApplication>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace velmora {

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    if (!FileExists(path)) return false;  // a directory opens but never reads
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        bytes.clear();
        return false;
    }
    return true;
}

std::string ExecutableDir() {
    std::string dir = QCoreApplication::applicationDirPath().toStdString();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace velmora
