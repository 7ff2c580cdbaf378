// The per-port bookkeeping the system serial backends share: for each of the 256 port indexes
// the OS handle, whether the line died, the device it stands for and the technician's sentence
// for its last failure. Reads and writes look the handle up without a lock (the serial text view
// reads on its thread while the UI thread writes keystrokes); open, close and configure hold the
// table's lock through their OS calls (Locked). Nothing here fails beyond the codes it returns.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "serial/SerialBackend.h"

namespace quillon {

class SerialPortSlots {
  public:
    static constexpr int kMaxPorts = 256;
    static constexpr intptr_t kClosed = -1;

    // What differs by OS: the device of an index nobody named, and closing a handle.
    struct Os {
        std::string (*defaultDevicePath)(int port);
        void (*close)(intptr_t handle);
    };

    explicit SerialPortSlots(Os os) : os_(os) {}
    ~SerialPortSlots();  // closes every port still open
    SerialPortSlots(const SerialPortSlots&) = delete;
    SerialPortSlots& operator=(const SerialPortSlots&) = delete;

    static bool Valid(int port) { return port >= 0 && port < kMaxPorts; }

    // The device an index stands for from now on; an empty path restores the default.
    void SetDevice(int port, const std::string& devicePath);
    std::string DevicePath(int port) const;
    std::string LastErrorText(int port) const;

    // Without a lock: the open handle, or kClosed (also for an index out of range).
    intptr_t Handle(int port) const;
    // The line failed; only a new open revives it.
    bool Dead(int port) const { return At(port).dead.load(std::memory_order_relaxed); }
    // Marks the line dead and says so: kSerialIoError.
    int MarkDead(int port);
    // Records the failure's sentence and returns code.
    int Fail(int port, int code, std::string text);
    // Taken around a whole write, so a keystroke never lands inside a block.
    std::mutex& WriteMutex(int port) { return At(port).writeMutex; }
    // The rate the line runs at (0 until known), for a write's deadline.
    int BitsPerSecond(int port) const;
    void SetBitsPerSecond(int port, int bitsPerSecond);
    // Idempotent: 0, or kSerialNoSuchPort for an index out of range.
    int Close(int port);

    // One port with the table locked.
    class Locked {
      public:
        Locked(SerialPortSlots& slots, int port)
            : lock_(slots.mutex_), slots_(slots), port_(port) {}
        intptr_t Handle() const { return slots_.Handle(port_); }
        std::string DevicePath() const { return slots_.DevicePathLocked(port_); }
        int Fail(int code, std::string text);
        // Closes what is open on the port; the line is no longer dead.
        void Close() { slots_.CloseLocked(port_); }
        // Takes the handle of a port just opened; its last failure is forgotten.
        void Opened(intptr_t handle);

      private:
        std::unique_lock<std::mutex> lock_;
        SerialPortSlots& slots_;
        int port_;
    };
    // The port locked, whether open or not; nullopt (kSerialNoSuchPort in *code) when out of range.
    std::optional<Locked> Lock(int port, int* code);
    // The port locked when it is open; otherwise nullopt, with kSerialNoSuchPort, or
    // kSerialNotOpen and its sentence, in *code.
    std::optional<Locked> LockOpen(int port, int* code);

  private:
    struct Slot {
        std::atomic<intptr_t> handle{kClosed};
        std::atomic<bool> dead{false};
        std::atomic<int> bitsPerSecond{0};
        std::mutex writeMutex;
        std::string device;     // explicit device, empty for the default
        std::string lastError;  // sentence for the technician
    };
    Slot& At(int port) { return slots_[static_cast<size_t>(port)]; }
    const Slot& At(int port) const { return slots_[static_cast<size_t>(port)]; }
    std::string DevicePathLocked(int port) const;
    void CloseLocked(int port);

    Os os_;
    mutable std::mutex mutex_;
    std::array<Slot, kMaxPorts> slots_{};
};

}  // namespace quillon
