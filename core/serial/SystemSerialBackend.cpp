#include "serial/SystemSerialBackend.h"

#include "serial/PortName.h"

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

std::string SystemDevicePath(int portNumber) {
    const int index = PortIndex(portNumber);
    if (index < 0) {
        return {};
    }
#ifdef _WIN32
    return Win32SerialBackend::DefaultDevicePath(index);
#else
    return PosixSerialBackend::DefaultDevicePath(index);
#endif
}

}  // namespace quillon
