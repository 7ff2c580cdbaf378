#include "serial/SerialPortSlots.h"

namespace quillon {

SerialPortSlots::~SerialPortSlots() {
    std::lock_guard lock(mutex_);
    for (int port = 0; port < kMaxPorts; ++port) {
        CloseLocked(port);
    }
}

void SerialPortSlots::SetDevice(int port, const std::string& devicePath) {
    if (!Valid(port)) {
        return;
    }
    std::lock_guard lock(mutex_);
    At(port).device = devicePath;
}

std::string SerialPortSlots::DevicePath(int port) const {
    std::lock_guard lock(mutex_);
    return DevicePathLocked(port);
}

std::string SerialPortSlots::DevicePathLocked(int port) const {
    if (!Valid(port)) {
        return {};
    }
    const std::string& device = At(port).device;
    return device.empty() ? os_.defaultDevicePath(port) : device;
}

std::string SerialPortSlots::LastErrorText(int port) const {
    if (!Valid(port)) {
        return "Port index " + std::to_string(port) + " is out of range (0 to " +
               std::to_string(kMaxPorts - 1) + ").";
    }
    std::lock_guard lock(mutex_);
    return At(port).lastError;
}

intptr_t SerialPortSlots::Handle(int port) const {
    return Valid(port) ? At(port).handle.load(std::memory_order_relaxed) : kClosed;
}

int SerialPortSlots::MarkDead(int port) {
    At(port).dead.store(true, std::memory_order_relaxed);
    std::lock_guard lock(mutex_);
    At(port).lastError = DevicePathLocked(port) +
                         " stopped responding (unplugged?): check the cable/adapter, then "
                         "open the port again.";
    return kSerialIoError;
}

int SerialPortSlots::Fail(int port, int code, std::string text) {
    std::lock_guard lock(mutex_);
    At(port).lastError = std::move(text);
    return code;
}

int SerialPortSlots::BitsPerSecond(int port) const {
    return At(port).bitsPerSecond.load(std::memory_order_relaxed);
}

void SerialPortSlots::SetBitsPerSecond(int port, int bitsPerSecond) {
    At(port).bitsPerSecond.store(bitsPerSecond, std::memory_order_relaxed);
}

int SerialPortSlots::Close(int port) {
    if (!Valid(port)) {
        return kSerialNoSuchPort;
    }
    std::lock_guard lock(mutex_);
    CloseLocked(port);
    return 0;
}

void SerialPortSlots::CloseLocked(int port) {
    Slot& slot = At(port);
    const intptr_t handle = slot.handle.exchange(kClosed, std::memory_order_relaxed);
    if (handle != kClosed) {
        os_.close(handle);
    }
    slot.dead.store(false, std::memory_order_relaxed);
}

int SerialPortSlots::Locked::Fail(int code, std::string text) {
    slots_.At(port_).lastError = std::move(text);
    return code;
}

void SerialPortSlots::Locked::Opened(intptr_t handle) {
    Slot& slot = slots_.At(port_);
    slot.handle.store(handle, std::memory_order_relaxed);
    slot.lastError.clear();
}

std::optional<SerialPortSlots::Locked> SerialPortSlots::Lock(int port, int* code) {
    if (!Valid(port)) {
        *code = kSerialNoSuchPort;
        return std::nullopt;
    }
    return std::optional<Locked>(std::in_place, *this, port);
}

std::optional<SerialPortSlots::Locked> SerialPortSlots::LockOpen(int port, int* code) {
    std::optional<Locked> locked = Lock(port, code);
    if (locked && locked->Handle() == kClosed) {
        *code = locked->Fail(kSerialNotOpen, locked->DevicePath() + " is not open.");
        locked.reset();
    }
    return locked;
}

}  // namespace quillon
