#include "session/TerminalSession.h"

namespace quillon {

TerminalSession::TerminalSession(Clock& clock, std::shared_ptr<SerialBackend> line)
    : clock_(clock), line_(std::move(line)), port_(*line_) {}

TerminalSession::~TerminalSession() {
    Stop();
    Wait();
    if (open_.exchange(false)) {
        port_.ClosePort();
    }
}

bool TerminalSession::Open(const PortName& port, int baudRate, std::string* reason) {
    const int index = PortIndex(port.portNumber);
    line_->SetDevice(index, port.device);
    device_ = line_->DevicePath(index);
    if (device_.empty()) {
        device_ = port.device;
    }
    if (index < 0 ||
        port_.OpenPort(static_cast<uint8_t>(index), SerialPort::BaudCode(baudRate)) != 0) {
        *reason = index < 0 ? std::string() : line_->LastErrorText(index);
        port_.ClosePort();
        return false;
    }
    open_ = true;
    return true;
}

void TerminalSession::StartReading(std::shared_ptr<TerminalSink> sink) {
    if (reader_.joinable() || !open_.load()) {
        return;
    }
    sink_ = std::move(sink);
    reader_ = std::thread([this] {
        ReadLoop();
        ended_ = true;
    });
}

void TerminalSession::ReadLoop() {
    while (!stop_.load()) {
        const int got = port_.ReadBlock(reinterpret_cast<uint8_t*>(text_.data()), kReadLimit);
        if (got > 0) {
            sink_->OnText(std::string_view(text_.data(), static_cast<size_t>(got)));
            continue;
        }
        if (got < 0 && got != kSerialNothingWaiting) {
            sink_->OnLineLost();
            break;
        }
        if (!clock_.WaitFor(port_, kPollMs)) {
            clock_.Sleep(kPollMs);
        }
    }
    // The port goes with the reader, so a unit plugged elsewhere can have it at once.
    if (open_.exchange(false)) {
        port_.ClosePort();
    }
}

void TerminalSession::Send(uint8_t byte) {
    if (open_.load()) {
        port_.WriteByte(byte);
    }
}

void TerminalSession::Stop() {
    stop_ = true;
}

void TerminalSession::Wait() {
    if (reader_.joinable()) {
        reader_.join();
    }
}

}  // namespace quillon
