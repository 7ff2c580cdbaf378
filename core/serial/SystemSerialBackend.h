// The serial backend of the platform the program runs on: Win32 COM ports on Windows, termios
// devices elsewhere. Both take SetDevice/DevicePath for a port index.
#pragma once

#ifdef _WIN32
#include "serial/Win32SerialBackend.h"
#else
#include "serial/PosixSerialBackend.h"
#endif

namespace quillon {

#ifdef _WIN32
using SystemSerialBackend = Win32SerialBackend;
#else
using SystemSerialBackend = PosixSerialBackend;
#endif

}  // namespace quillon
