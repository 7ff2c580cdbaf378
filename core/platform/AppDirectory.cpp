#include "platform/AppDirectory.h"
#include "platform/AppFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace quillon {

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

bool MakeDirs(const std::string& dir) {
    std::string partial;
    for (size_t pos = 0; pos != std::string::npos;) {
        size_t slash = dir.find('/', pos + 1);
        partial = dir.substr(0, slash);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
        pos = slash;
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ExecutableDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return {};
    }
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsSystemProgramFolder(const std::string& dir) {
    const std::string folder = WithSlash(dir);
    for (const char* root : {"/usr/", "/bin/", "/sbin/"}) {
        if (folder.rfind(root, 0) == 0) {
            return true;
        }
    }
    return false;
}

std::string ResolveAppDirectory(const std::string& overrideDir) {
    if (!overrideDir.empty()) {
        return WithSlash(overrideDir);
    }
    std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty() && !IsSystemProgramFolder(exeDir) && ::access(exeDir.c_str(), W_OK) == 0) {
        return exeDir;
    }
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return WithSlash(xdg) + "quillon7/";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return WithSlash(home) + ".local/share/quillon7/";
    }
    return "/tmp/quillon7/";
}

bool CreateAppFolders(const std::string& appDir) {
    bool ok = MakeDirs(WithSlash(appDir).substr(0, WithSlash(appDir).size() - 1));
    ok = MakeDirs(app_files::LogsDir(WithSlash(appDir))) && ok;
    ok = MakeDirs(app_files::TempDir(WithSlash(appDir))) && ok;
    return ok;
}

}  // namespace quillon
