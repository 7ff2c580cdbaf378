#include "platform/AppDirectory.h"

#include <cerrno>

#include "platform/AppFiles.h"
#include "platform/FileSystem.h"

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
        if (!partial.empty() && !fs::MakeDirectory(partial) && errno != EEXIST &&
            !fs::Inspect(partial).directory) {
            return false;
        }
        pos = slash;
    }
    return fs::Inspect(dir).directory;
}

}  // namespace

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
    if (!exeDir.empty() && !IsSystemProgramFolder(exeDir) && fs::IsWritableDirectory(exeDir)) {
        return exeDir;
    }
    return UserDataDirectory();
}

bool CreateAppFolders(const std::string& appDir) {
    bool ok = MakeDirs(WithSlash(appDir).substr(0, WithSlash(appDir).size() - 1));
    ok = MakeDirs(app_files::LogsDir(WithSlash(appDir))) && ok;
    ok = MakeDirs(app_files::TempDir(WithSlash(appDir))) && ok;
    return ok;
}

}  // namespace quillon
