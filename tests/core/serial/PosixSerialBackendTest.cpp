#include "serial/PosixSerialBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "serial/SerialPort.h"
#include "sim/PtyPair.h"
#include "tests/support/RowName.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

constexpr int kPort = 3;
constexpr int kRxQueue = 2048;
constexpr int kTxQueue = 1024;
constexpr int kCode115200 = 9;
// Long enough never to run out on a loaded machine; the tests wait for bytes, not for time.
constexpr int kPatienceMs = 10000;

// Bytes the unit's side (the pty master) received, collected until `count` or patience runs out.
std::vector<uint8_t> ReadFromMaster(int masterFd, size_t count) {
    std::vector<uint8_t> got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        struct pollfd entry {
            masterFd, POLLIN, 0
        };
        if (::poll(&entry, 1, 100) <= 0) {
            continue;
        }
        uint8_t buffer[4096];
        ssize_t n = ::read(masterFd, buffer, sizeof buffer);
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
        library_.SetDevice(kPort, pty_.DevicePath());
        ASSERT_EQ(library_.ResetPort(kPort, kRxQueue, kTxQueue), 0)
            << library_.LastErrorText(kPort);
        ASSERT_EQ(library_.SetBaud(kPort, kCode115200), 0) << library_.LastErrorText(kPort);
    }

    // The next byte, waiting for it to cross the pty.
    int NextByte() {
        if (!library_.WaitForData(kPort, kPatienceMs)) {
            return library_.ReadByte(kPort);
        }
        return library_.ReadByte(kPort);
    }

    sim::PtyPair pty_;
    PosixSerialBackend library_;
};

TEST_F(PosixSerialBackendTest, BytesCrossBothWaysAndAZeroByteIsNotAnEmptyQueue) {
    WriteToMaster(pty_.MasterFd(), {0x00, 0x41, 0xFF});

    EXPECT_EQ(NextByte(), 0x00);
    EXPECT_EQ(NextByte(), 0x41);
    EXPECT_EQ(NextByte(), 0xFF);
    EXPECT_EQ(library_.ReadByte(kPort), kSerialNothingWaiting);

    const std::vector<uint8_t> block{0x02, 0x00, 0x0D, 0x0A, 0x11, 0x13, 0x7F};
    EXPECT_EQ(library_.WriteBlock(kPort, block.data(), static_cast<uint16_t>(block.size())),
              static_cast<int>(block.size()));
    EXPECT_EQ(library_.WriteByte(kPort, 0x55), 0);
    std::vector<uint8_t> expected = block;
    expected.push_back(0x55);
    EXPECT_EQ(ReadFromMaster(pty_.MasterFd(), expected.size()), expected);
}

TEST_F(PosixSerialBackendTest, ReadBlockTakesWhatIsWaitingUpToItsLimit) {
    WriteToMaster(pty_.MasterFd(), Pattern(10));
    std::vector<uint8_t> got;
    uint8_t buffer[4];
    while (got.size() < 10 && library_.WaitForData(kPort, kPatienceMs)) {
        int n = library_.ReadBlock(kPort, buffer, sizeof buffer);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 4);
        got.insert(got.end(), buffer, buffer + n);
    }
    EXPECT_EQ(got, Pattern(10));
    EXPECT_LT(library_.ReadBlock(kPort, buffer, sizeof buffer), 1);
}

TEST_F(PosixSerialBackendTest, OpenConfiguresRaw8N1WithoutFlowControl) {
    // Spoil the line first: cooked, echoing, flow-controlled, 7E2 at 300 baud.
    struct termios spoiled {};
    ASSERT_EQ(::tcgetattr(pty_.MasterFd(), &spoiled), 0);
    spoiled.c_lflag |= ICANON | ECHO | ISIG;
    spoiled.c_iflag |= IXON | IXOFF | ICRNL;
    spoiled.c_oflag |= OPOST | ONLCR;
    spoiled.c_cflag = (spoiled.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    ::cfsetspeed(&spoiled, B300);
    ASSERT_EQ(::tcsetattr(pty_.MasterFd(), TCSANOW, &spoiled), 0);

    ASSERT_EQ(library_.ResetPort(kPort, kRxQueue, kTxQueue), 0) << library_.LastErrorText(kPort);
    ASSERT_EQ(library_.SetBaud(kPort, 8), 0);

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
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B57600));
    EXPECT_EQ(::cfgetispeed(&tio), static_cast<speed_t>(B57600));
}

TEST_F(PosixSerialBackendTest, EveryBaudCodeOfTheTableIsTakenAndOthersAreRefused) {
    const speed_t speeds[] = {B1200, B2400, B4800, B9600, B19200, B38400, B57600, B115200};
    for (int code = 2; code <= 9; ++code) {
        ASSERT_EQ(library_.SetBaud(kPort, code), 0) << "code " << code;
        struct termios tio {};
        ASSERT_EQ(::tcgetattr(pty_.MasterFd(), &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), speeds[code - 2]) << "code " << code;
    }
    for (int code : {0, 1, 10, 255, -1}) {
        EXPECT_EQ(library_.SetBaud(kPort, code), kSerialBadBaud) << "code " << code;
        EXPECT_NE(library_.LastErrorText(kPort).find("Baud code " + std::to_string(code)),
                  std::string::npos);
    }
}

TEST_F(PosixSerialBackendTest, ModemLinesThatAPtyLacksAreNoError) {
    EXPECT_EQ(library_.SetDtr(kPort, 'S'), 0);
    EXPECT_EQ(library_.SetRts(kPort, 'S'), 0);
    EXPECT_EQ(library_.SetDtr(kPort, 'C'), 0);
    EXPECT_LT(library_.SetRts(kPort, '?'), 0);
}

TEST_F(PosixSerialBackendTest, TheTwoClearsLeaveNoStaleInput) {
    WriteToMaster(pty_.MasterFd(), {0x06, 0x15, 0x06});
    ASSERT_TRUE(library_.WaitForData(kPort, kPatienceMs));

    EXPECT_EQ(library_.ClearTransmitQueue(kPort), 0);
    EXPECT_EQ(library_.ClearReceiveQueue(kPort), 0);

    EXPECT_EQ(library_.ReadByte(kPort), kSerialNothingWaiting);
    WriteToMaster(pty_.MasterFd(), {0x42});
    EXPECT_EQ(NextByte(), 0x42);
}

TEST_F(PosixSerialBackendTest, BytesQueuedBeforeTheOpenAreGoneAfterIt) {
    ASSERT_EQ(library_.ClosePort(kPort), 0);
    WriteToMaster(pty_.MasterFd(), {0x06, 0x15});
    {
        // Wait until the stale bytes sit in the device's input queue, as a unit's late answer
        // from an earlier session would.
        const int fd = ::open(pty_.DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        struct pollfd p {
            fd, POLLIN, 0
        };
        ASSERT_EQ(::poll(&p, 1, kPatienceMs), 1);
        ::close(fd);
    }
    ASSERT_EQ(library_.ResetPort(kPort, kRxQueue, kTxQueue), 0) << library_.LastErrorText(kPort);
    WriteToMaster(pty_.MasterFd(), {0x42});
    EXPECT_EQ(NextByte(), 0x42);
}

TEST_F(PosixSerialBackendTest, TheClearsNeverDropWhatWasAlreadySent) {
    // The end of transfer of one file is written just before the next file's clears; the unit
    // must still get it.
    const std::vector<uint8_t> endOfTransfer{0x05, 0x05, 0x01, 0x03};
    ASSERT_EQ(library_.WriteBlock(kPort, endOfTransfer.data(), 4), 4);
    EXPECT_EQ(library_.ClearTransmitQueue(kPort), 0);
    EXPECT_EQ(library_.ClearReceiveQueue(kPort), 0);
    EXPECT_EQ(ReadFromMaster(pty_.MasterFd(), endOfTransfer.size()), endOfTransfer);
}

TEST_F(PosixSerialBackendTest, WaitForDataWakesWhenAByteArrivesFromAnotherThread) {
    constexpr uint32_t kLongWaitMs = 20000;
    std::thread unit([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        WriteToMaster(pty_.MasterFd(), {0x00});
    });
    auto start = std::chrono::steady_clock::now();
    bool woke = library_.WaitForData(kPort, kLongWaitMs);
    auto waited = std::chrono::steady_clock::now() - start;
    unit.join();

    EXPECT_TRUE(woke);
    // Loose on purpose: only a wait that sleeps its whole time-out comes near this.
    EXPECT_LT(waited, std::chrono::milliseconds(kLongWaitMs / 2));
    EXPECT_EQ(library_.ReadByte(kPort), 0x00);
}

TEST_F(PosixSerialBackendTest, WaitForDataGivesUpWhenNothingArrives) {
    EXPECT_FALSE(library_.WaitForData(kPort, 30));
    EXPECT_FALSE(library_.WaitForData(kPort, 0));
}

TEST_F(PosixSerialBackendTest, ABlockLargerThanTheQueuesArrivesComplete) {
    const std::vector<uint8_t> block = Pattern(20000);
    std::vector<uint8_t> received;
    std::thread unit([&] { received = ReadFromMaster(pty_.MasterFd(), block.size()); });

    int written = library_.WriteBlock(kPort, block.data(), static_cast<uint16_t>(block.size()));
    unit.join();

    EXPECT_EQ(written, static_cast<int>(block.size()));
    EXPECT_EQ(received, block);
}

TEST_F(PosixSerialBackendTest, AWriteToALineThatTakesNothingEndsAtItsDeadline) {
    // Suspend the device's output (as a received XOFF would) through a handle of our own.
    int handle = ::open(pty_.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(handle, 0) << "a second handle on the pty is needed to stop its output";
    ASSERT_EQ(::tcflow(handle, TCOOFF), 0);

    const std::vector<uint8_t> block = Pattern(16);
    int written = library_.WriteBlock(kPort, block.data(), static_cast<uint16_t>(block.size()));

    EXPECT_GE(written, 0);
    EXPECT_LT(written, static_cast<int>(block.size()));
    EXPECT_NE(library_.LastErrorText(kPort).find("does not take any more bytes"),
              std::string::npos);
    ::tcflow(handle, TCOON);
    ::close(handle);
}

TEST_F(PosixSerialBackendTest, AVanishedLineFailsEveryCallWithoutHanging) {
    pty_.CloseMaster();

    EXPECT_EQ(library_.ReadByte(kPort), kSerialIoError);
    EXPECT_EQ(library_.ReadByte(kPort), kSerialIoError) << "stays dead, never 'nothing waiting'";
    EXPECT_FALSE(library_.WaitForData(kPort, kPatienceMs));
    uint8_t buffer[8];
    EXPECT_LT(library_.ReadBlock(kPort, buffer, sizeof buffer), 0);
    const std::vector<uint8_t> block = Pattern(64);
    EXPECT_LT(library_.WriteBlock(kPort, block.data(), 64), 0);
    EXPECT_LT(library_.WriteByte(kPort, 0x01), 0);
    EXPECT_NE(library_.LastErrorText(kPort).find("stopped responding"), std::string::npos);
    EXPECT_EQ(library_.ClosePort(kPort), 0);
}

TEST_F(PosixSerialBackendTest, WaitForDataSeesAVanishedLine) {
    pty_.CloseMaster();

    EXPECT_FALSE(library_.WaitForData(kPort, kPatienceMs));
    EXPECT_EQ(library_.ReadByte(kPort), kSerialIoError);
}

TEST_F(PosixSerialBackendTest, AWriteNoticesAVanishedLine) {
    pty_.CloseMaster();

    const std::vector<uint8_t> block = Pattern(64);
    EXPECT_LT(library_.WriteBlock(kPort, block.data(), 64), 0);
    EXPECT_EQ(library_.ReadByte(kPort), kSerialIoError);
}

TEST_F(PosixSerialBackendTest, BytesSentJustBeforeTheLineVanishesAreStillRead) {
    WriteToMaster(pty_.MasterFd(), {0x31, 0x32});
    ASSERT_TRUE(library_.WaitForData(kPort, kPatienceMs));
    pty_.CloseMaster();

    std::vector<int> got;
    for (int i = 0; i < 3; ++i) {
        got.push_back(library_.ReadByte(kPort));
    }
    // A hang-up may drop what the line still held; it must never turn into 'nothing waiting'.
    EXPECT_EQ(got.back(), kSerialIoError);
    for (size_t i = 0; i + 1 < got.size(); ++i) {
        EXPECT_TRUE(got[i] == 0x31 + static_cast<int>(i) || got[i] == kSerialIoError) << got[i];
    }
}

TEST_F(PosixSerialBackendTest, ASecondOpenOfTheSameDeviceIsRefusedAsBusyUntilClosed) {
    PosixSerialBackend other;
    other.SetDevice(0, pty_.DevicePath());

    EXPECT_EQ(other.ResetPort(0, kRxQueue, kTxQueue), kSerialPortBusy);
    EXPECT_EQ(other.LastErrorText(0),
              pty_.DevicePath() +
                  " is in use by another program (a terminal program, ModemManager or another "
                  "Quillon7); close it and try again.");
    library_.SetDevice(kPort + 1, pty_.DevicePath());
    EXPECT_EQ(library_.ResetPort(kPort + 1, kRxQueue, kTxQueue), kSerialPortBusy);

    EXPECT_EQ(library_.ClosePort(kPort), 0);
    EXPECT_EQ(library_.ClosePort(kPort), 0) << "closing twice is harmless";
    EXPECT_EQ(other.ResetPort(0, kRxQueue, kTxQueue), 0) << other.LastErrorText(0);
    EXPECT_TRUE(other.LastErrorText(0).empty());
}

TEST_F(PosixSerialBackendTest, ResettingAnOpenPortReopensIt) {
    ASSERT_EQ(library_.ResetPort(kPort, kRxQueue, kTxQueue), 0) << library_.LastErrorText(kPort);

    WriteToMaster(pty_.MasterFd(), {0x24});
    EXPECT_EQ(NextByte(), 0x24);
}

TEST_F(PosixSerialBackendTest, KeystrokesFromAnotherThreadMixWithReads) {
    constexpr size_t kCount = 300;
    WriteToMaster(pty_.MasterFd(), Pattern(kCount));
    std::vector<uint8_t> read;
    std::thread reader([&] {
        uint8_t buffer[4094];
        while (read.size() < kCount && library_.WaitForData(kPort, kPatienceMs)) {
            int n = library_.ReadBlock(kPort, buffer, sizeof buffer);
            if (n < 0) {
                break;
            }
            read.insert(read.end(), buffer, buffer + n);
        }
    });
    for (size_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(library_.WriteByte(kPort, static_cast<uint8_t>(i)), 0);
    }
    reader.join();

    EXPECT_EQ(read, Pattern(kCount));
    std::vector<uint8_t> typed(kCount);
    for (size_t i = 0; i < kCount; ++i) {
        typed[i] = static_cast<uint8_t>(i);
    }
    EXPECT_EQ(ReadFromMaster(pty_.MasterFd(), kCount), typed);
}

TEST_F(PosixSerialBackendTest, OpenPortThroughThePortObjectWorksOnARealLine) {
    ASSERT_EQ(library_.ClosePort(kPort), 0);
    SerialPort port(library_);

    ASSERT_EQ(port.OpenPort(kPort, SerialPort::BaudCode(115200)), 0);
    WriteToMaster(pty_.MasterFd(), {0x06});
    EXPECT_TRUE(port.WaitReadable(kPatienceMs));
    EXPECT_EQ(port.ReadByte(), 0x06);
    EXPECT_EQ(port.ClosePort(), 0);
}

struct OpenFailure {
    const char* what;
    int code;
    const char* textPart;
};

class PosixSerialOpenFailureTest : public ::testing::TestWithParam<OpenFailure> {
  protected:
    std::string PathFor(const std::string& what) {
        if (what == "missing") {
            return dir_.File("ttyUSB7");
        }
        if (what == "regular file") {
            return dir_.Write("firmware.bin", "not a tty");
        }
        if (what == "folder") {
            return dir_.File("");
        }
        return dir_.File(std::string(5000, 'x'));  // too long for the system
    }
    test::TempDir dir_;
};

TEST_P(PosixSerialOpenFailureTest, IsRefusedWithAHelpfulText) {
    PosixSerialBackend library;
    std::string path = PathFor(GetParam().what);
    library.SetDevice(kPort, path);

    EXPECT_EQ(library.ResetPort(kPort, kRxQueue, kTxQueue), GetParam().code);
    std::string text = library.LastErrorText(kPort);
    EXPECT_NE(text.find(GetParam().textPart), std::string::npos) << text;
    EXPECT_EQ(library.ReadByte(kPort), kSerialNotOpen);
    EXPECT_FALSE(library.WaitForData(kPort, kPatienceMs));
    EXPECT_EQ(library.WriteByte(kPort, 0), kSerialNotOpen);
    EXPECT_EQ(library.SetBaud(kPort, kCode115200), kSerialNotOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PosixSerialOpenFailureTest,
    ::testing::Values(
        OpenFailure{"missing", kSerialNoSuchPort,
                    "does not exist: check the cable/adapter is plugged in and the port number"},
        OpenFailure{"regular file", kSerialNotATty, "is not a serial device"},
        OpenFailure{"folder", kSerialNotATty, "is a folder"},
        OpenFailure{"over-long path", kSerialNoSuchPort, "Cannot open"}),
    test::RowNames([](const OpenFailure& c) { return std::string(c.what); }));

TEST(PosixSerialBackendIndexTest, DevicesFollowTheIndexUnlessOneIsGiven) {
    PosixSerialBackend library;
    EXPECT_EQ(library.DevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(PosixSerialBackend::DefaultDevicePath(12), "/dev/ttyS12");
    library.SetDevice(2, "/dev/ttyUSB0");
    EXPECT_EQ(library.DevicePath(2), "/dev/ttyUSB0");
    library.SetDevice(2, "");
    EXPECT_EQ(library.DevicePath(2), "/dev/ttyS2");
}

TEST(PosixSerialBackendIndexTest, IndexesOutsideTheTableAreRefused) {
    PosixSerialBackend library;
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
