#include "platform/FileSystem.h"

// The C runtime's own <fcntl.h>, for its descriptor modes.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string_view>

#include "platform/LineEnds.h"
#include "platform/WideText.h"

namespace quillon::fs {

namespace {

// A file handle closed when it goes out of scope.
class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    bool Close() {
        bool ok = !Valid() || ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsMissingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool WriteAll(HANDLE h, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(h, content.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

std::time_t UnixTime(const FILETIME& ft) {
    constexpr uint64_t kTicksPerSecond = 10000000;
    constexpr uint64_t kEpochDifference = 11644473600ull;  // 1601-01-01 to 1970-01-01
    uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<std::time_t>(ticks / kTicksPerSecond - kEpochDifference);
}

// Replaces an existing file keeping its attributes; moves into place when there is none yet.
bool MoveIntoPlace(const std::wstring& temp, const std::wstring& path) {
    if (::ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr)) {
        return true;
    }
    return ::MoveFileExW(temp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

PathInfo Inspect(const std::string& path) {
    PathInfo info;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        return info;
    }
    info.exists = true;
    info.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.regular = !info.directory && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.modified = UnixTime(data.ftLastWriteTime);
    return info;
}

bool EntryExists(const std::string& path) {
    return ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(const std::string& path) {
    if (::CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
        return true;
    }
    errno = ErrnoFromWin32(::GetLastError());
    return false;
}

bool IsWritableDirectory(const std::string& dir) {
    // Attributes do not tell (Program Files is not read-only, yet closed to users): try it.
    std::wstring probe =
        WidePath(dir) + L"\\.quillon7-write-probe-" + std::to_wstring(::GetCurrentProcessId());
    Handle h(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return h.Valid();
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW((WidePath(dir) + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(Utf8FromWide(name));
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

bool RemoveFile(const std::string& path) {
    return ::DeleteFileW(WidePath(path).c_str()) != 0;
}

ReadOutcome ReadRegularFile(const std::string& path, uint64_t maxSize, std::string* content) {
    Handle h(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
        return IsMissingError(::GetLastError()) ? ReadOutcome::kMissing : ReadOutcome::kUnreadable;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(h.Get()) != FILE_TYPE_DISK || !::GetFileSizeEx(h.Get(), &size) ||
        static_cast<uint64_t>(size.QuadPart) > maxSize) {
        return ReadOutcome::kUnreadable;
    }
    content->clear();
    char buffer[16384];
    DWORD n = 0;
    while (content->size() <= maxSize) {
        if (!::ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr)) {
            return ReadOutcome::kUnreadable;
        }
        if (n == 0) {
            break;
        }
        content->append(buffer, n);
    }
    return content->size() > maxSize ? ReadOutcome::kUnreadable : ReadOutcome::kRead;
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
    static std::atomic<unsigned> serial{0};
    const std::wstring target = WidePath(path);
    const std::wstring temp = target + L".tmp" + std::to_wstring(::GetCurrentProcessId()) + L"." +
                              std::to_wstring(serial.fetch_add(1));
    Handle h(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
        errno = ErrnoFromWin32(::GetLastError());
        return false;
    }
    bool ok = WriteAll(h.Get(), content) && ::FlushFileBuffers(h.Get());
    ok = h.Close() && ok;
    if (!ok || !MoveIntoPlace(temp, target)) {
        errno = ErrnoFromWin32(::GetLastError());
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

// FILE_APPEND_DATA without FILE_WRITE_DATA makes every write land at the end, as O_APPEND does.
bool AppendWholeEntry(const std::string& path, const std::string& entry) {
    Handle h(::CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA | GENERIC_READ, kShareAll,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
        return false;
    }
    LARGE_INTEGER start{};
    ::GetFileSizeEx(h.Get(), &start);
    char end[2] = {};
    DWORD got = 0;
    if (start.QuadPart > 0) {
        LARGE_INTEGER endStart{};
        endStart.QuadPart = start.QuadPart - std::min<LONGLONG>(start.QuadPart, sizeof end);
        if (!::SetFilePointerEx(h.Get(), endStart, nullptr, FILE_BEGIN) ||
            !::ReadFile(h.Get(), end, static_cast<DWORD>(start.QuadPart - endStart.QuadPart), &got,
                        nullptr)) {
            got = 0;
        }
    }
    const std::string text = EntryForFileEnd(std::string_view(end, got), entry);
    if (!WriteAll(h.Get(), text)) {
        // An append-only handle cannot cut the file: take the part back through another one.
        Handle cut(::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (cut.Valid() && ::SetFilePointerEx(cut.Get(), start, nullptr, FILE_BEGIN)) {
            ::SetEndOfFile(cut.Get());
        }
        return false;
    }
    return true;
}

// The folder is made when it is missing: why it cannot be made is the reason worth reporting.
std::FILE* CreateNewLog(const std::string& path) {
    // Append access only: every write lands at the end, as with O_APPEND.
    const auto create = [&path] {
        return ::CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, kShareAll, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE h = create();
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PATH_NOT_FOUND) {
        const size_t slash = path.find_last_of("/\\");
        if (slash == std::string::npos || !MakeDirectory(path.substr(0, slash))) {
            if (errno == EEXIST) {
                errno = ENOENT;
            }
            return nullptr;
        }
        h = create();
    }
    if (h == INVALID_HANDLE_VALUE) {
        errno = ErrnoFromWin32(::GetLastError());
        return nullptr;
    }
    // Text mode: each "\n" is written as CR LF, the line end of a new text file on Windows.
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_TEXT);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "a");
    if (file == nullptr) {
        ::_close(fd);
    }
    return file;
}

}  // namespace quillon::fs
