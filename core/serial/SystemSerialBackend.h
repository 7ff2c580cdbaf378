// The serial backend of the platform the program runs on: termios devices on POSIX, COM ports on
// Windows. Front ends make theirs here, so none of them names either backend.
#pragma once

#include <memory>

#include "serial/SerialBackend.h"

namespace quillon {

std::shared_ptr<SerialBackend> MakeSystemSerialBackend();

}  // namespace quillon
