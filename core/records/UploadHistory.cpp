#include "records/UploadHistory.h"

#include "platform/FileSystem.h"
#include "protocol/Boards.h"
#include "records/HistoryTexts.h"
#include "records/LogFolderScan.h"
#include "text/DurationText.h"
#include "text/TextFormat.h"

namespace quillon {

namespace {

using namespace history_text;

constexpr const char* kTimeStampFormat = "%s %2d, %4d  %02d:%02d:%02d: ";
// The begin entry alone starts with an empty line, so each upload stands apart in the file.
constexpr const char* kBeginSeparator = "\n";
constexpr int kInvalidTimeField = -1;

// A further line of an entry: indented to the width of the time stamp.
std::string Line(std::string_view label, const std::string& text) {
    return std::string(kStampLength, ' ') + std::string(label) + text + "\n";
}

}  // namespace

std::string UploadHistory::TimeStamp(const LocalTime& t) {
    if (!t.valid) {
        return FormatText(kTimeStampFormat, MonthName(0), 0, 0, kInvalidTimeField,
                          kInvalidTimeField, kInvalidTimeField);
    }
    return FormatText(kTimeStampFormat, MonthName(t.month), t.day, t.year, t.hour, t.minute,
                      t.second);
}

bool UploadHistory::WriteBeginUpload(const std::string& path, FileKind kind) {
    return Append(kBeginSeparator + TimeStamp(clock_.Now()) + std::string(kBeginUpload) +
                  FileKindName(kind) + std::string(kFileEnd) + "\n" + Line(kFileName, path));
}

bool UploadHistory::WriteUploadSuccess(const std::string& path, FileKind kind, int seconds) {
    return Append(TimeStamp(clock_.Now()) + std::string(kUpload) + FileKindName(kind) +
                  std::string(kSuccessful) + path + std::string(kSuccessfulEnd) + "\n" +
                  Line(kRequired, quillon::DurationText(seconds)) + "\n");
}

bool UploadHistory::WriteUploadFailed(const std::string& path, FileKind kind,
                                      const std::string& errorText) {
    return Append(TimeStamp(clock_.Now()) + std::string(kUpload) + FileKindName(kind) +
                  std::string(kFailed) + "\n" + Line(kError, errorText) + Line(kFileName, path) +
                  "\n");
}

bool UploadHistory::WriteCriticalError(const InternalErrorCode& code) {
    return Append(TimeStamp(clock_.Now()) + std::string(kCritical) +
                  FormatText("Error Code = %d.%d, support Data = %d\n\n", code.major, code.minor,
                             code.support));
}

// Each entry goes to the file whole, in one write: an interrupted entry can never damage the
// earlier ones, and one that finds the file ending mid-line starts on a line of its own.
bool UploadHistory::Append(const std::string& entry) {
    return fs::AppendWholeEntry(Path(), entry);
}

}  // namespace quillon
