#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/AppDirectory.h"

namespace quillon {

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

std::string UserDataDirectory() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        std::string dir = xdg;
        return dir + (dir.back() == '/' ? "" : "/") + "quillon7/";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        std::string dir = home;
        return dir + (dir.back() == '/' ? "" : "/") + ".local/share/quillon7/";
    }
    return "/tmp/quillon7/";
}

}  // namespace quillon
