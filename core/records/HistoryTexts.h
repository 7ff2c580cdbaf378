// The pieces of a History.txt entry, which UploadHistory writes and ParseHistory reads back.
// An entry starts with a time stamp; its further lines are indented to the stamp's width.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillon::history_text {

// "Mar  5, 2024  09:07:03: ": month, day, year, time and the colon after it.
inline constexpr std::size_t kStampLength = 24;
inline constexpr std::string_view kBeginUpload = "Begin Upload ";  // + board + kFileEnd
inline constexpr std::string_view kUpload = "Upload ";             // + board + kSuccessful...
inline constexpr std::string_view kFileEnd = " File";
inline constexpr std::string_view kSuccessful = " File Successful (";  // + path + kSuccessfulEnd
inline constexpr std::string_view kSuccessfulEnd = ").";
inline constexpr std::string_view kFailed = " File FAILED!";
inline constexpr std::string_view kCritical = "CRITICAL ERROR; ";
// The indented lines.
inline constexpr std::string_view kFileName = "FileName: ";
inline constexpr std::string_view kRequired = "Required ";
inline constexpr std::string_view kError = "ERROR = ";

}  // namespace quillon::history_text
