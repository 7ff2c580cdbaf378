// UTF-8 to UTF-16 and back, for the Win32 side of the platform layer: the core keeps paths and
// texts in UTF-8, the Windows API takes wide strings. Invalid input gives an empty result.
#pragma once

#include <string>

namespace quillon {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
// A path for the Win32 calls: wide, with '\' as separator.
std::wstring WidePath(const std::string& utf8Path);

}  // namespace quillon
