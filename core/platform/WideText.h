// UTF-8 to UTF-16 and back, for the Win32 side of the platform layer: the core keeps paths and
// texts in UTF-8, the Windows API takes wide strings. Invalid input gives an empty result.
#pragma once

#include <string>

namespace quillon {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
// A path for the Win32 file calls: wide, with '\' as separator. One too long for the plain form
// (MAX_PATH, less room for a file name in a new folder) is made absolute and given the "\\?\" (or
// "\\?\UNC\") prefix that lifts the limit; a path typed with that prefix or "\\.\" stays as it is.
std::wstring WidePath(const std::string& utf8Path);
// The errno value nearest to a Win32 error code, for callers that report through errno.
int ErrnoFromWin32(unsigned long error);

}  // namespace quillon
