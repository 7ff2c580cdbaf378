// What a run may leave behind in this process: open file descriptors, threads and resident
// memory, read from /proc/self. A soak compares them before and after every run.
#pragma once

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace quillon::test {

// Entries of a /proc/self folder, without "." and "..".
inline int CountProcEntries(const char* folder) {
    DIR* dir = ::opendir(folder);
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        count += entry->d_name[0] == '.' ? 0 : 1;
    }
    ::closedir(dir);
    return count - 1;  // the folder handle this function itself holds (fd) or nothing (task)
}

inline int OpenFileDescriptors() {
    return CountProcEntries("/proc/self/fd");
}

inline int ThreadCount() {
    return CountProcEntries("/proc/self/task") + 1;
}

// Resident set size in KiB; -1 when /proc does not say.
inline long ResidentKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) {
        return -1;
    }
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
        }
    }
    std::fclose(f);
    return kb;
}

}  // namespace quillon::test
