// The serial backend of the platform the program runs on: termios devices on POSIX, COM ports on
// Windows. Front ends make theirs here, so none of them names either backend.
#pragma once

#include <memory>
#include <string>

#include "serial/SerialBackend.h"

namespace quillon {

std::shared_ptr<SerialBackend> MakeSystemSerialBackend();
// The device a port number (1-256) opens when no device is chosen for it: /dev/ttyS0 for port 1,
// \\.\COM1 on Windows. Empty for a number outside 1-256.
std::string SystemDevicePath(int portNumber);

}  // namespace quillon
