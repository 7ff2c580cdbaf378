#include "serial/PosixSerialBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "tests/support/RowName.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPty.h"

namespace quillon {
namespace {

constexpr int kPort = 3;
constexpr int kRxQueue = 2048;
constexpr int kTxQueue = 1024;
// Long enough never to run out on a loaded machine; the tests wait for bytes, not for time.
constexpr int kPatienceMs = 10000;

// Bytes the unit's side (the pty master) received, collected until `count` or until nothing more
// comes within the patience.
std::vector<uint8_t> ReadFromMaster(int masterFd, size_t count) {
    std::vector<uint8_t> got;
    struct pollfd entry {
        masterFd, POLLIN, 0
    };
    uint8_t buffer[4096];
    while (got.size() < count && ::poll(&entry, 1, kPatienceMs) == 1) {
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

void WriteToMaster(int masterFd, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(masterFd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::vector<uint8_t> Pattern(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 7) % 251);
    }
    return bytes;
}

class PosixSerialBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend_.SetDevice(kPort, pty_.DevicePath());
        ASSERT_EQ(backend_.ResetPort(kPort, kRxQueue, kTxQueue), 0)
            << backend_.LastErrorText(kPort);
    }

    // The next byte, waiting for it to cross the pty.
    int NextByte() {
        backend_.WaitForData(kPort, kPatienceMs);
        return backend_.ReadByte(kPort);
    }

    sim::PtyPair pty_ = test::OpenPty();
    PosixSerialBackend backend_;
};

TEST_F(PosixSerialBackendTest, BytesCrossBothWaysUntouchedAndAZeroByteIsNotAnEmptyQueue) {
    WriteToMaster(pty_.MasterFd(), {0x00, 0x41, 0xFF});

    EXPECT_EQ(NextByte(), 0x00);
    EXPECT_EQ(NextByte(), 0x41);
    EXPECT_EQ(NextByte(), 0xFF);
    EXPECT_EQ(backend_.ReadByte(kPort), kSerialNothingWaiting);
    EXPECT_FALSE(backend_.WaitForData(kPort, 0));

    // A block larger than the queues, holding every byte a cooked line would act on (NUL, CR,
    // LF, XON, XOFF, DEL), arrives complete and untouched.
    std::vector<uint8_t> expected = Pattern(20000);
    std::vector<uint8_t> received;
    std::thread unit([&] { received = ReadFromMaster(pty_.MasterFd(), expected.size() + 1); });
    EXPECT_EQ(backend_.WriteBlock(kPort, expected.data(), static_cast<uint16_t>(expected.size())),
              static_cast<int>(expected.size()));
    EXPECT_EQ(backend_.WriteByte(kPort, 0x55), 0);
    unit.join();
    expected.push_back(0x55);
    EXPECT_EQ(received, expected);

    // A block read takes what is waiting, up to its limit.
    WriteToMaster(pty_.MasterFd(), Pattern(10));
    std::vector<uint8_t> got;
    uint8_t buffer[4];
    while (got.size() < 10 && backend_.WaitForData(kPort, kPatienceMs)) {
        const int n = backend_.ReadBlock(kPort, buffer, sizeof buffer);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 4);
        got.insert(got.end(), buffer, buffer + n);
    }
    EXPECT_EQ(got, Pattern(10));
}

TEST_F(PosixSerialBackendTest, OpenConfiguresRaw8N1WithoutFlowControlAtTheCodedRate) {
    // Spoil the line first: cooked, echoing, flow-controlled, 7E2 at 300 baud.
    struct termios spoiled {};
    ASSERT_EQ(::tcgetattr(pty_.MasterFd(), &spoiled), 0);
    spoiled.c_lflag |= ICANON | ECHO | ISIG;
    spoiled.c_iflag |= IXON | IXOFF | ICRNL;
    spoiled.c_oflag |= OPOST | ONLCR;
    spoiled.c_cflag = (spoiled.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    ::cfsetspeed(&spoiled, B300);
    ASSERT_EQ(::tcsetattr(pty_.MasterFd(), TCSANOW, &spoiled), 0);

    ASSERT_EQ(backend_.ResetPort(kPort, kRxQueue, kTxQueue), 0) << backend_.LastErrorText(kPort);
    ASSERT_EQ(backend_.SetBaud(kPort, 8), 0);

    struct termios tio {};
    ASSERT_EQ(::tcgetattr(pty_.MasterFd(), &tio), 0);  // a pty master reports its device's
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    EXPECT_EQ(::cfgetispeed(&tio), static_cast<speed_t>(B57600));
    // The first and the last code of the table; the codes around them are refused.
    for (const auto& [code, speed] : {std::pair{2, B1200}, std::pair{9, B115200}}) {
        ASSERT_EQ(backend_.SetBaud(kPort, code), 0) << "code " << code;
        ASSERT_EQ(::tcgetattr(pty_.MasterFd(), &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), speed) << "code " << code;
    }
    for (int code : {1, 10}) {
        EXPECT_EQ(backend_.SetBaud(kPort, code), kSerialBadBaud) << "code " << code;
        EXPECT_NE(backend_.LastErrorText(kPort).find("Baud code " + std::to_string(code)),
                  std::string::npos);
    }
}

// Late answers from the unit are gone after the clears and after a reopen (as a new session's
// open is); what the host already sent, such as the end of transfer just before the next file's
// clears, still reaches the unit.
TEST_F(PosixSerialBackendTest, StaleInputIsGoneAfterTheClearsAndAReopenButSentBytesArrive) {
    const std::vector<uint8_t> endOfTransfer{0x05, 0x05, 0x01, 0x03};
    WriteToMaster(pty_.MasterFd(), {0x06, 0x15, 0x06});
    ASSERT_TRUE(backend_.WaitForData(kPort, kPatienceMs));
    ASSERT_EQ(backend_.WriteBlock(kPort, endOfTransfer.data(), 4), 4);

    EXPECT_EQ(backend_.ClearTransmitQueue(kPort), 0);
    EXPECT_EQ(backend_.ClearReceiveQueue(kPort), 0);

    EXPECT_EQ(ReadFromMaster(pty_.MasterFd(), endOfTransfer.size()), endOfTransfer);
    EXPECT_EQ(backend_.ReadByte(kPort), kSerialNothingWaiting);
    WriteToMaster(pty_.MasterFd(), {0x06, 0x15});
    ASSERT_TRUE(backend_.WaitForData(kPort, kPatienceMs));
    ASSERT_EQ(backend_.ResetPort(kPort, kRxQueue, kTxQueue), 0) << backend_.LastErrorText(kPort);
    WriteToMaster(pty_.MasterFd(), {0x42});
    EXPECT_EQ(NextByte(), 0x42);
}

TEST_F(PosixSerialBackendTest, AWriteToALineThatTakesNothingEndsAtItsDeadline) {
    // Suspend the device's output (as a received XOFF would) through a handle of our own.
    const int handle =
        ::open(pty_.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(handle, 0) << "a second handle on the pty is needed to stop its output";
    ASSERT_EQ(::tcflow(handle, TCOOFF), 0);

    const std::vector<uint8_t> block = Pattern(16);
    const int written = backend_.WriteBlock(kPort, block.data(), 16);

    EXPECT_GE(written, 0);
    EXPECT_LT(written, 16);
    EXPECT_NE(backend_.LastErrorText(kPort).find("does not take any more bytes"),
              std::string::npos);
    ::tcflow(handle, TCOON);
    ::close(handle);
}

// The call that first meets a vanished line (a pulled cable) fails, and so does every call after.
struct FirstCall {
    const char* name;
    bool (*fails)(PosixSerialBackend& backend);
};

class VanishedLineTest : public PosixSerialBackendTest,
                         public ::testing::WithParamInterface<FirstCall> {};

TEST_P(VanishedLineTest, FailsEveryCallFromThenOnWithoutHanging) {
    pty_.CloseMaster();

    EXPECT_TRUE(GetParam().fails(backend_));
    EXPECT_EQ(backend_.ReadByte(kPort), kSerialIoError) << "stays dead, never 'nothing waiting'";
    EXPECT_FALSE(backend_.WaitForData(kPort, kPatienceMs));
    uint8_t buffer[64] = {};
    EXPECT_LT(backend_.ReadBlock(kPort, buffer, sizeof buffer), 0);
    EXPECT_LT(backend_.WriteBlock(kPort, buffer, sizeof buffer), 0);
    EXPECT_LT(backend_.WriteByte(kPort, 0x01), 0);
    EXPECT_NE(backend_.LastErrorText(kPort).find("stopped responding"), std::string::npos);
    EXPECT_EQ(backend_.ClosePort(kPort), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VanishedLineTest,
    ::testing::Values(
        FirstCall{"read",
                  [](PosixSerialBackend& l) { return l.ReadByte(kPort) == kSerialIoError; }},
        FirstCall{"wait", [](PosixSerialBackend& l) { return !l.WaitForData(kPort, kPatienceMs); }},
        FirstCall{"write",
                  [](PosixSerialBackend& l) {
                      const uint8_t block[64] = {};
                      return l.WriteBlock(kPort, block, sizeof block) < 0;
                  }}),
    test::RowNames([](const FirstCall& c) { return std::string(c.name); }));

TEST_F(PosixSerialBackendTest, ASecondOpenOfTheSameDeviceIsRefusedAsBusyUntilClosed) {
    PosixSerialBackend other;
    other.SetDevice(0, pty_.DevicePath());

    EXPECT_EQ(other.ResetPort(0, kRxQueue, kTxQueue), kSerialPortBusy);
    EXPECT_EQ(other.LastErrorText(0),
              pty_.DevicePath() +
                  " is in use by another program (a terminal program, ModemManager or another "
                  "Quillon7); close it and try again.");
    backend_.SetDevice(kPort + 1, pty_.DevicePath());
    EXPECT_EQ(backend_.ResetPort(kPort + 1, kRxQueue, kTxQueue), kSerialPortBusy);

    EXPECT_EQ(backend_.ClosePort(kPort), 0);
    EXPECT_EQ(backend_.ClosePort(kPort), 0) << "closing twice is harmless";
    EXPECT_EQ(other.ResetPort(0, kRxQueue, kTxQueue), 0) << other.LastErrorText(0);
    EXPECT_TRUE(other.LastErrorText(0).empty());
}

struct OpenFailure {
    const char* what;
    std::string name;  // in a folder that holds a regular file "firmware.bin"
    int code;
    const char* textPart;
};

class PosixSerialOpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(PosixSerialOpenFailureTest, IsRefusedWithAHelpfulText) {
    test::TempDir dir;
    dir.Write("firmware.bin", "not a tty");
    PosixSerialBackend library;
    library.SetDevice(kPort, dir.File(GetParam().name));

    EXPECT_EQ(library.ResetPort(kPort, kRxQueue, kTxQueue), GetParam().code);
    EXPECT_NE(library.LastErrorText(kPort).find(GetParam().textPart), std::string::npos)
        << library.LastErrorText(kPort);
    EXPECT_EQ(library.ReadByte(kPort), kSerialNotOpen);
    EXPECT_FALSE(library.WaitForData(kPort, kPatienceMs));
    EXPECT_EQ(library.WriteByte(kPort, 0), kSerialNotOpen);
    EXPECT_EQ(library.SetBaud(kPort, 9), kSerialNotOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PosixSerialOpenFailureTest,
    ::testing::Values(
        OpenFailure{"missing", "ttyUSB7", kSerialNoSuchPort,
                    "does not exist: check the cable/adapter is plugged in and the port number"},
        OpenFailure{"regular file", "firmware.bin", kSerialNotATty, "is not a serial device"},
        OpenFailure{"folder", "", kSerialNotATty, "is a folder"},
        OpenFailure{"over-long path", std::string(5000, 'x'), kSerialNoSuchPort, "Cannot open"}),
    test::RowNames([](const OpenFailure& c) { return std::string(c.what); }));

TEST(PosixSerialBackendIndexTest, DevicesFollowTheIndexUnlessOneIsGivenWithinTheTable) {
    PosixSerialBackend library;
    EXPECT_EQ(library.DevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(PosixSerialBackend::DefaultDevicePath(12), "/dev/ttyS12");
    library.SetDevice(2, "/dev/ttyUSB0");
    EXPECT_EQ(library.DevicePath(2), "/dev/ttyUSB0");
    library.SetDevice(2, "");
    EXPECT_EQ(library.DevicePath(2), "/dev/ttyS2");
    for (int port : {-1, PosixSerialBackend::kMaxPorts}) {
        library.SetDevice(port, "/dev/null");
        EXPECT_EQ(library.DevicePath(port), "");
        EXPECT_EQ(library.ResetPort(port, kRxQueue, kTxQueue), kSerialNoSuchPort);
        EXPECT_NE(library.LastErrorText(port).find("out of range"), std::string::npos);
        EXPECT_LT(library.ReadByte(port), 0);
        EXPECT_FALSE(library.WaitForData(port, kPatienceMs));
        EXPECT_EQ(library.ClosePort(port), kSerialNoSuchPort);
    }
}

}  // namespace
}  // namespace quillon
