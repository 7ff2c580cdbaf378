// The serial library of the platform the program runs on: Win32 COM ports on Windows, termios
// devices elsewhere. Front ends ask for it here and never name the platform's class.
#pragma once

#include <memory>

#include "serial/SerialBackend.h"

namespace quillon {

std::shared_ptr<SerialBackend> MakeSystemSerialBackend();

}  // namespace quillon
