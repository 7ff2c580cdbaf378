#include "serial/SystemSerialBackend.h"

#ifdef _WIN32
#include "serial/Win32SerialBackend.h"
#else
#include "serial/PosixSerialBackend.h"
#endif

namespace quillon {

std::shared_ptr<SerialBackend> MakeSystemSerialBackend() {
#ifdef _WIN32
    return std::make_shared<Win32SerialBackend>();
#else
    return std::make_shared<PosixSerialBackend>();
#endif
}

}  // namespace quillon
