#include "serial/Win32SerialBackend.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/WideText.h"

namespace quillon {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr intptr_t kClosed = SerialPortSlots::kClosed;
// How often the wait for data looks at the receive queue.
constexpr auto kQueuePollInterval = std::chrono::milliseconds(1);
// A single WriteFile may take this long before the line counts as stuck.
constexpr DWORD kWriteTimeoutMs = 5000;

HANDLE AsHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = n > 0 ? Utf8FromWide(std::wstring(text, n)) : std::string();
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

struct OpenFailure {
    int code;
    std::string text;
};

OpenFailure DescribeOpenFailure(DWORD error, const std::string& path) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return {kSerialPortBusy, path +
                                         " is in use by another program (a terminal program or "
                                         "another Quillon7); close it and try again."};
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return {kSerialNoSuchPort,
                    path +
                        " does not exist: check the cable/adapter is plugged in and the port "
                        "number (see 'quillon7-cli ports')."};
        default:
            return {kSerialIoError, "Cannot open " + path + ": " + SystemMessage(error) + "."};
    }
}

// Raw 8N1 without flow control; reads return at once with what is queued, writes give up after
// kWriteTimeoutMs.
bool ConfigureRaw(HANDLE h) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) {
        return false;
    }
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return ::SetCommState(h, &dcb) && ::SetCommTimeouts(h, &timeouts);
}

}  // namespace

Win32SerialBackend::Win32SerialBackend()
    : PortTableBackend({&DefaultDevicePath, [](intptr_t h) { ::CloseHandle(AsHandle(h)); }}) {}

// The \\.\ form opens COM10 and above too, which the bare name does not.
std::string Win32SerialBackend::DefaultDevicePath(int port) {
    return "\\\\.\\COM" + std::to_string(port + 1);
}

int Win32SerialBackend::OpenDevice(int /*port*/, SerialPortSlots::Locked& slot, int rxQueue,
                                   int txQueue) {
    const std::string path = slot.DevicePath();
    HANDLE h = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        OpenFailure failure = DescribeOpenFailure(::GetLastError(), path);
        return slot.Fail(failure.code, std::move(failure.text));
    }
    if (::GetFileType(h) != FILE_TYPE_CHAR || !ConfigureRaw(h)) {
        ::CloseHandle(h);
        return slot.Fail(kSerialNotATty, path +
                                             " is not a serial port: choose one such as COM1 (see "
                                             "'quillon7-cli ports').");
    }
    ::SetupComm(h, static_cast<DWORD>(std::max(rxQueue, 0)),
                static_cast<DWORD>(std::max(txQueue, 0)));
    // Bytes from before we owned the line are not ours.
    ::PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    slot.Opened(reinterpret_cast<intptr_t>(h));
    return 0;
}

bool Win32SerialBackend::ApplyRate(intptr_t handle, int bitsPerSecond) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(AsHandle(handle), &dcb)) {
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(bitsPerSecond);
    return ::SetCommState(AsHandle(handle), &dcb) != 0;
}

// A device without modem lines (a pseudo-terminal under Wine) refuses them; that is no failure.
int Win32SerialBackend::SetModemLine(SerialPortSlots::Locked& open, ModemLine line, bool raise) {
    const DWORD function =
        line == ModemLine::kDtr ? (raise ? SETDTR : CLRDTR) : (raise ? SETRTS : CLRRTS);
    ::EscapeCommFunction(AsHandle(open.Handle()), function);
    return 0;
}

// What was written is left to reach the line (the previous file's end of transfer among it);
// only input is thrown away, so the new exchange starts clean.
int Win32SerialBackend::ClearTransmitQueue(int port) {
    const intptr_t h = slots_.Handle(port);
    if (h != kClosed) {
        ::FlushFileBuffers(AsHandle(h));
    }
    return Purge(port, PURGE_TXABORT);
}

int Win32SerialBackend::ClearReceiveQueue(int port) {
    return Purge(port, PURGE_RXCLEAR | PURGE_RXABORT);
}

int Win32SerialBackend::Purge(int port, uint32_t flags) {
    int code = 0;
    auto open = slots_.LockOpen(port, &code);
    if (!open) {
        return code;
    }
    const intptr_t h = open->Handle();
    return ::PurgeComm(AsHandle(h), flags) ? 0 : kSerialIoError;
}

int Win32SerialBackend::WriteAll(int port, intptr_t h, const uint8_t* bytes, uint16_t count) {
    int written = 0;
    while (written < count) {
        DWORD n = 0;
        if (!::WriteFile(AsHandle(h), bytes + written, static_cast<DWORD>(count - written), &n,
                         nullptr)) {
            return slots_.MarkDead(port);
        }
        if (n == 0) {
            return Stuck(port, written);
        }
        written += static_cast<int>(n);
    }
    return written;
}

int Win32SerialBackend::QueuedInput(int port) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(AsHandle(slots_.Handle(port)), &errors, &status)) {
        return -1;
    }
    return static_cast<int>(std::min<DWORD>(status.cbInQue, INT32_MAX));
}

int Win32SerialBackend::ReadSome(int port, intptr_t h, uint8_t* buffer, int max) {
    DWORD n = 0;
    if (!::ReadFile(AsHandle(h), buffer, static_cast<DWORD>(max), &n, nullptr)) {
        return slots_.MarkDead(port);
    }
    return static_cast<int>(n);
}

// ReadFile cannot wait for the first byte and return early on both Windows and Wine, so the
// wait watches the receive queue instead.
bool Win32SerialBackend::WaitForData(int port, uint32_t timeoutMs) {
    if (slots_.Handle(port) == kClosed || slots_.Dead(port)) {
        return false;
    }
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int queued = QueuedInput(port);
        if (queued < 0) {
            slots_.MarkDead(port);
            return false;
        }
        if (queued > 0) {
            return true;
        }
        if (SteadyClock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kQueuePollInterval);
    }
}

}  // namespace quillon
