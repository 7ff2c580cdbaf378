// Files and folders the way the core needs them, on the platform's own calls (POSIX, or Win32
// with wide-character paths). Paths are UTF-8 and use '/' (Windows also takes '\'). Nothing
// throws: a failure comes back as false, an empty result or ReadOutcome::kUnreadable, with errno
// set where the caller wants to report it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace quillon::fs {

struct PathInfo {
    bool exists = false;
    bool regular = false;
    bool directory = false;
    uint64_t size = 0;
    std::time_t modified = 0;
};

enum class ReadOutcome { kRead, kMissing, kUnreadable };

// What is at path, following links; never opens it (a FIFO or device cannot block us).
PathInfo Inspect(const std::string& path);
// True when anything is at path, a dangling link included.
bool EntryExists(const std::string& path);
// Creates one folder; false with errno (EEXIST when something is there already).
bool MakeDirectory(const std::string& path);
// True when files can be created in the folder.
bool IsWritableDirectory(const std::string& dir);
// The names in a folder, without "." and ".."; empty when it cannot be read.
std::vector<std::string> ListDirectory(const std::string& dir);
bool RemoveFile(const std::string& path);

// A regular file of at most maxSize bytes, read whole into *content.
ReadOutcome ReadRegularFile(const std::string& path, uint64_t maxSize, std::string* content);
// Replaces the file with content through a temporary file in the same folder, flushed to disk
// first: a crash leaves the old or the new file, never a mix. Never follows a link at the
// temporary name.
bool ReplaceFileContent(const std::string& path, const std::string& content);
// Appends text to the file (created when missing) in one write, starting it on a line of its own
// when the file ends mid-line; its "\n" line ends are written as the file's last line ends (a new
// file's as the platform's, see LineEnds.h). A text the disk cannot take whole is taken back.
bool AppendWholeEntry(const std::string& path, const std::string& text);
// A new text log, created only when nothing is at path yet (never another run's log), its folder
// made when missing, opened for appending, each "\n" written as the platform's line end; nullptr
// with errno saying why (EEXIST when the name is taken; for a folder that cannot be made, why not).
std::FILE* CreateNewLog(const std::string& path);

}  // namespace quillon::fs
