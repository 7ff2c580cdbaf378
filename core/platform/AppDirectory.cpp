#include "platform/AppDirectory.h"

#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "program/AppFiles.h"

namespace quillon {

namespace {

std::string WithSeparator(std::string dir) {
    if (!EndsWithSeparator(dir)) {
        dir += kPathSeparator;
    }
    return dir;
}

// Each folder on the way, from the top. One that cannot be made is no failure by itself: it may
// be there already, or be no folder at all (a drive, a share, the "\\?\" of a long path).
bool MakeDirs(const std::string& dir) {
    for (size_t separator = dir.find_first_of(kPathSeparators, 1);;
         separator = dir.find_first_of(kPathSeparators, separator + 1)) {
        fs::MakeDirectory(dir.substr(0, separator));
        if (separator == std::string::npos) {
            break;
        }
    }
    return fs::Inspect(dir).directory;
}

}  // namespace

bool IsSystemProgramFolder(const std::string& dir) {
    const std::string folder = WithSeparator(dir);
    for (const char* root : {"/usr/", "/bin/", "/sbin/"}) {
        if (folder.rfind(root, 0) == 0) {
            return true;
        }
    }
    return fs::Inspect(folder + kInstalledMarker).exists;
}

std::string ResolveAppDirectory(const std::string& overrideDir) {
    if (!overrideDir.empty()) {
        return WithSeparator(NativePath(overrideDir));
    }
    std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty() && !IsSystemProgramFolder(exeDir) && fs::IsWritableDirectory(exeDir)) {
        return exeDir;
    }
    return UserDataDirectory();
}

bool CreateAppFolders(const std::string& appDir) {
    const std::string dir = WithSeparator(appDir);
    bool ok = MakeDirs(dir.substr(0, dir.size() - 1));
    ok = MakeDirs(app_files::LogsDir(dir)) && ok;
    ok = MakeDirs(app_files::TempDir(dir)) && ok;
    return ok;
}

}  // namespace quillon
