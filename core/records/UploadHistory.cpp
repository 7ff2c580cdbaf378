#include "records/UploadHistory.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "firmware/FileKind.h"
#include "platform/DurationText.h"
#include "records/LogFolderScan.h"

namespace quillon {

namespace {

constexpr const char* kTimeStampFormat = "%s %2d, %4d  %02d:%02d:%02d: ";
// The begin entry alone starts with an empty line, so each upload stands apart in the file.
constexpr const char* kBeginSeparator = "\n";
// Continuation lines are indented by one blank padded to the width of the time stamp.
constexpr const char* kIndent = " ";
constexpr int kInvalidTimeField = -1;
constexpr mode_t kHistoryFileMode = 0644;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

}  // namespace

std::string UploadHistory::TimeStamp(const LocalTime& t) {
    if (!t.valid) {
        return Format(kTimeStampFormat, MonthName(0), 0, 0, kInvalidTimeField, kInvalidTimeField,
                      kInvalidTimeField);
    }
    return Format(kTimeStampFormat, MonthName(t.month), t.day, t.year, t.hour, t.minute, t.second);
}

bool UploadHistory::WriteBeginUpload(const std::string& path, int kind) {
    return Append(kBeginSeparator + TimeStamp(clock_.Now()) +
                  Format("Begin Upload %s File\n%-24sFileName: %s\n", FileKindName(kind), kIndent,
                         path.c_str()));
}

bool UploadHistory::WriteUploadSuccess(const std::string& path, int kind, int seconds) {
    return Append(TimeStamp(clock_.Now()) +
                  Format("Upload %s File Successful (%s).\n", FileKindName(kind), path.c_str()) +
                  Format("%-24sRequired %s\n\n", kIndent, quillon::DurationText(seconds).c_str()));
}

bool UploadHistory::WriteUploadFailed(const std::string& path, int kind,
                                      const std::string& errorText) {
    return Append(TimeStamp(clock_.Now()) +
                  Format("Upload %s File FAILED!\n%-24sERROR = %s\n%-24sFileName: %s\n\n",
                         FileKindName(kind), kIndent, errorText.c_str(), kIndent, path.c_str()));
}

bool UploadHistory::WriteCriticalError(const InternalErrorCode& code) {
    return Append(TimeStamp(clock_.Now()) +
                  Format("CRITICAL ERROR; Error Code = %d.%d, support Data = %d\n\n", code.major,
                         code.minor, code.support));
}

// One open-append-close per entry, the whole entry in one write: O_APPEND places it after
// everything already there, so an interrupted entry can never damage the earlier ones. A kill
// can still cut the entry being written short (the kernel stops a large write between pages
// when the process is killed), so an entry that finds the file ending mid-line starts on a line
// of its own instead of running into the cut one.
bool UploadHistory::Append(const std::string& entry) {
    const std::string path = Path();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY,
                    kHistoryFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    const off_t start = ::lseek(fd, 0, SEEK_END);
    char last = '\n';
    const std::string text =
        start > 0 && ::pread(fd, &last, 1, start - 1) == 1 && last != '\n' ? "\n" + entry : entry;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    // A full disk can cut an entry short; take the part back so that the entry is dropped
    // whole and the next one cannot run into it.
    if (done > 0 && done < text.size() && start >= 0) {
        const int rolledBack = ::ftruncate(fd, start);
        (void)rolledBack;  // nothing more can be done when even that fails
    }
    ::close(fd);
    return done == text.size();
}

}  // namespace quillon
