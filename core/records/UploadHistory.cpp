#include "records/UploadHistory.h"

#include "platform/DurationText.h"
#include "platform/FileSystem.h"
#include "platform/TextFormat.h"
#include "protocol/Boards.h"
#include "records/LogFolderScan.h"

namespace quillon {

namespace {

constexpr const char* kTimeStampFormat = "%s %2d, %4d  %02d:%02d:%02d: ";
// The begin entry alone starts with an empty line, so each upload stands apart in the file.
constexpr const char* kBeginSeparator = "\n";
// Continuation lines are indented by one blank padded to the width of the time stamp.
constexpr const char* kIndent = " ";
constexpr int kInvalidTimeField = -1;

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
    return Append(kBeginSeparator + TimeStamp(clock_.Now()) +
                  FormatText("Begin Upload %s File\n%-24sFileName: %s\n", FileKindName(kind),
                             kIndent, path.c_str()));
}

bool UploadHistory::WriteUploadSuccess(const std::string& path, FileKind kind, int seconds) {
    return Append(
        TimeStamp(clock_.Now()) +
        FormatText("Upload %s File Successful (%s).\n", FileKindName(kind), path.c_str()) +
        FormatText("%-24sRequired %s\n\n", kIndent, quillon::DurationText(seconds).c_str()));
}

bool UploadHistory::WriteUploadFailed(const std::string& path, FileKind kind,
                                      const std::string& errorText) {
    return Append(TimeStamp(clock_.Now()) +
                  FormatText("Upload %s File FAILED!\n%-24sERROR = %s\n%-24sFileName: %s\n\n",
                             FileKindName(kind), kIndent, errorText.c_str(), kIndent,
                             path.c_str()));
}

bool UploadHistory::WriteCriticalError(const InternalErrorCode& code) {
    return Append(TimeStamp(clock_.Now()) +
                  FormatText("CRITICAL ERROR; Error Code = %d.%d, support Data = %d\n\n",
                             code.major, code.minor, code.support));
}

// Each entry goes to the file whole, in one write: an interrupted entry can never damage the
// earlier ones, and one that finds the file ending mid-line starts on a line of its own.
bool UploadHistory::Append(const std::string& entry) {
    return fs::AppendWholeEntry(Path(), entry);
}

}  // namespace quillon
