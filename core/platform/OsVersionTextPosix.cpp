#include "platform/OsVersionText.h"

#include <sys/utsname.h>

#include <fstream>

namespace quillon {

namespace {

// PRETTY_NAME from os-release, without its quotes; empty when absent.
std::string PrettyName(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
                value = value.substr(1, value.size() - 2);
            }
            return value.substr(0, 200);
        }
    }
    return {};
}

}  // namespace

std::string BuildOsVersionText(const std::string& osReleasePath) {
    struct utsname uts {};
    if (::uname(&uts) != 0) {
        return kUnknownOsText;
    }
    std::string name = PrettyName(osReleasePath);
    if (name.empty()) {
        name = uts.sysname;
    }
    std::string text = name + " (kernel " + uts.release + ")";
    if (sizeof(void*) == 8) {
        text += ", 64-bit";
    } else if (sizeof(void*) == 4) {
        text += ", 32-bit";
    }
    return text.substr(0, 259);
}

}  // namespace quillon
