// Paths as this platform writes them. Windows takes '/' and '\' alike but shows and documents
// '\': a path typed there is taken in that form, and one the program builds from it keeps it.
// POSIX uses '/' only.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

inline bool EndsWithSeparator(std::string_view path) {
    return !path.empty() && kPathSeparators.find(path.back()) != std::string_view::npos;
}

// The path with the platform's separator ('/' becomes '\' on Windows).
inline std::string NativePath(std::string path) {
    for (char& c : path) {
        if (kPathSeparators.find(c) != std::string_view::npos) {
            c = kPathSeparator;
        }
    }
    return path;
}

// name in dir, after the separator dir already uses (its last one), else the platform's; none
// after an empty dir or one that ends with a separator.
inline std::string JoinPath(const std::string& dir, std::string_view name) {
    if (dir.empty() || EndsWithSeparator(dir)) {
        return dir + std::string(name);
    }
    const size_t last = dir.find_last_of(kPathSeparators);
    return dir + (last == std::string::npos ? kPathSeparator : dir[last]) + std::string(name);
}

}  // namespace quillon
