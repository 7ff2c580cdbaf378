#include "platform/ReadOnlyFile.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/WideText.h"

namespace quillon {

namespace {

HANDLE AsHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

bool ReadOnlyFile::Open(const std::string& path, uint64_t* size) {
    Close();
    HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = ErrnoFromWin32(::GetLastError());
        return false;
    }
    LARGE_INTEGER length{};
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !::GetFileSizeEx(h, &length)) {
        ::CloseHandle(h);
        return false;
    }
    if (size != nullptr) {
        *size = static_cast<uint64_t>(length.QuadPart);
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool ReadOnlyFile::IsOpen() const {
    return handle_ != kClosed;
}

size_t ReadOnlyFile::Read(uint8_t* dest, size_t count, bool* failed) {
    size_t done = 0;
    while (IsOpen() && done < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 20));
        DWORD n = 0;
        if (!::ReadFile(AsHandle(handle_), dest + done, chunk, &n, nullptr)) {
            *failed = true;
            break;
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

bool ReadOnlyFile::Seek(uint64_t offset) {
    if (!IsOpen() || offset > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN) != 0;
}

uint64_t ReadOnlyFile::Length() const {
    LARGE_INTEGER length{};
    if (!IsOpen() || !::GetFileSizeEx(AsHandle(handle_), &length)) {
        return 0;
    }
    return static_cast<uint64_t>(length.QuadPart);
}

void ReadOnlyFile::Close() {
    if (IsOpen()) {
        ::CloseHandle(AsHandle(handle_));
        handle_ = kClosed;
    }
}

}  // namespace quillon
