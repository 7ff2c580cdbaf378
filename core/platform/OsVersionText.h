// The operating system text for the About box: name and release, kernel and word size, for
// example "Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64), 64-bit" or
// "Windows 10.0 (build 19045), 64-bit". "ERR! UNKWN" when the system cannot be asked.
#pragma once

#include <string>

namespace quillon {

inline constexpr const char* kUnknownOsText = "ERR! UNKWN";

// osReleasePath is "/etc/os-release" in production; tests point it elsewhere. Unused on Windows.
std::string BuildOsVersionText(const std::string& osReleasePath = "/etc/os-release");

}  // namespace quillon
