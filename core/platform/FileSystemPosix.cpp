#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string_view>

#include "platform/LineEnds.h"

namespace quillon::fs {

namespace {

constexpr mode_t kFileMode = 0644;
constexpr mode_t kFolderMode = 0755;

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

void SyncFolder(const std::string& path) {
    int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

PathInfo Inspect(const std::string& path) {
    PathInfo info;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return info;
    }
    info.exists = true;
    info.regular = S_ISREG(st.st_mode);
    info.directory = S_ISDIR(st.st_mode);
    info.size = static_cast<uint64_t>(st.st_size);
    info.modified = st.st_mtime;
    return info;
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool MakeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), kFolderMode) == 0;
}

bool IsWritableDirectory(const std::string& dir) {
    return ::access(dir.c_str(), W_OK) == 0;
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    DIR* handle = ::opendir(dir.c_str());
    if (handle == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(handle)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(handle);
    return names;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

ReadOutcome ReadRegularFile(const std::string& path, uint64_t maxSize, std::string* content) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT ? ReadOutcome::kMissing : ReadOutcome::kUnreadable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > maxSize) {
        ::close(fd);
        return ReadOutcome::kUnreadable;
    }
    content->clear();
    char buffer[16384];
    while (content->size() <= maxSize) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return ReadOutcome::kUnreadable;
        }
        if (n == 0) {
            break;
        }
        content->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return content->size() > maxSize ? ReadOutcome::kUnreadable : ReadOutcome::kRead;
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
    // A name no other writer (thread or process) uses at the same moment.
    static std::atomic<unsigned> serial{0};
    std::string temp =
        path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial.fetch_add(1));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, kFileMode);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(path);
    return true;
}

// One open-append-close per entry, the whole entry in one write: O_APPEND places it after
// everything already there, so an interrupted entry can never damage the earlier ones. A kill
// can still cut the entry being written short (the kernel stops a large write between pages
// when the process is killed), so an entry that finds the file ending mid-line starts on a line
// of its own instead of running into the cut one.
bool AppendWholeEntry(const std::string& path, const std::string& entry) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, kFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    const off_t start = ::lseek(fd, 0, SEEK_END);
    char end[2] = {};
    const off_t endSize = std::min<off_t>(start, sizeof end);
    const ssize_t got =
        endSize > 0 ? ::pread(fd, end, static_cast<size_t>(endSize), start - endSize) : 0;
    const std::string text =
        EntryForFileEnd(std::string_view(end, got > 0 ? static_cast<size_t>(got) : 0), entry);
    const bool whole = WriteAll(fd, text);
    // A full disk can cut an entry short; take the part back so that the entry is dropped
    // whole and the next one cannot run into it.
    if (!whole && start >= 0) {
        const int rolledBack = ::ftruncate(fd, start);
        (void)rolledBack;  // nothing more can be done when even that fails
    }
    ::close(fd);
    return whole;
}

// The folder is made when it is missing: why it cannot be made is the reason worth reporting
// (in a read-only application folder that is "Permission denied", not "No such file").
std::FILE* CreateNewLog(const std::string& path) {
    const auto create = [&path] {
        int fd;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOCTTY,
                        kFileMode);
        } while (fd < 0 && errno == EINTR);
        return fd;
    };
    int fd = create();
    if (fd < 0 && errno == ENOENT) {
        if (::mkdir(FolderOf(path).c_str(), kFolderMode) != 0) {
            if (errno == EEXIST) {
                errno = ENOENT;
            }
            return nullptr;
        }
        fd = create();
    }
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "a");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

}  // namespace quillon::fs
