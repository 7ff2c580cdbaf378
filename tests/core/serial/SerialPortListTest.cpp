#include "serial/SerialPortList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// A small sysfs look-alike laid out as the kernel does it: class/tty/<name> links to the tty's
// folder under devices/, whose "device" link points (relatively) at the hardware.
class FakeSysfs {
  public:
    explicit FakeSysfs(const std::string& root) : root_(root) {}

    fs::path Folder(const std::string& relative) const {
        fs::path folder = root_ / relative;
        fs::create_directories(folder);
        return folder;
    }
    void Attribute(const std::string& folder, const std::string& name,
                   const std::string& value) const {
        std::ofstream(Folder(folder) / name) << value << "\n";  // sysfs ends values with \n
    }
    void DriverLink(const std::string& folder, const std::string& driver) const {
        fs::path target = Folder("bus/drivers/" + driver);
        fs::create_directory_symlink(target, Folder(folder) / "driver");
    }
    // A tty at devices/<hardware>/tty/<name> whose device is <hardware>.
    void Tty(const std::string& hardware, const std::string& name) const {
        fs::path ttyFolder = Folder(hardware + "/tty/" + name);
        fs::create_directory_symlink("../../../" + fs::path(hardware).filename().string(),
                                     ttyFolder / "device");
        ClassEntry(name, ttyFolder);
    }
    void ClassEntry(const std::string& name, const fs::path& target) const {
        fs::create_directory_symlink(fs::relative(target, Folder("class/tty")),
                                     Folder("class/tty") / name);
    }
    void UsbDevice(const std::string& folder, const std::string& vendor, const std::string& product,
                   const std::string& manufacturer, const std::string& productName,
                   const std::string& serial) const {
        Attribute(folder, "idVendor", vendor);
        Attribute(folder, "idProduct", product);
        Attribute(folder, "manufacturer", manufacturer);
        Attribute(folder, "product", productName);
        if (!serial.empty()) {
            Attribute(folder, "serial", serial);
        }
    }

  private:
    fs::path root_;
};

constexpr const char* kUsbHub = "devices/pci0000:00/0000:00:14.0/usb1";

class SerialPortListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string hub = kUsbHub;
        // An FTDI adapter: tty -> usb-serial port -> interface -> USB device with the ids.
        sys_.UsbDevice(hub + "/1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
        sys_.DriverLink(hub + "/1-2/1-2:1.0", "ftdi_sio_interface");
        sys_.DriverLink(hub + "/1-2/1-2:1.0/ttyUSB0", "ftdi_sio");
        sys_.Tty(hub + "/1-2/1-2:1.0/ttyUSB0", "ttyUSB0");
        // A CDC-ACM board without a serial number: its device is the interface itself.
        sys_.UsbDevice(hub + "/1-3", "2341", "0043", "Arduino", "Uno", "");
        sys_.DriverLink(hub + "/1-3/1-3:1.0", "cdc_acm");
        sys_.Tty(hub + "/1-3/1-3:1.0", "ttyACM0");
        // On-board UART slots: ttyS1 has no chip behind it.
        sys_.DriverLink("devices/platform/serial8250", "serial8250");
        for (const char* name : {"ttyS10", "ttyS0", "ttyS2", "ttyS1"}) {
            sys_.Tty("devices/platform/serial8250", name);
            sys_.Attribute(std::string("devices/platform/serial8250/tty/") + name, "type",
                           name == std::string("ttyS1") ? "0" : "4");
        }
        // Pseudo-terminal master and a console: no device, never listed.
        sys_.ClassEntry("ptmx", sys_.Folder("devices/virtual/tty/ptmx"));
        sys_.ClassEntry("tty0", sys_.Folder("devices/virtual/tty/tty0"));
        // A vanished device, a tty whose device link dangles, a device link that loops.
        fs::create_directory_symlink("../../devices/gone/ttyUSB9",
                                     sys_.Folder("class/tty") / "ttyUSB9");
        fs::path dangling = sys_.Folder("devices/virtual/tty/ttyUSB5");
        fs::create_directory_symlink("../../nowhere", dangling / "device");
        sys_.ClassEntry("ttyUSB5", dangling);
        fs::path looping = sys_.Folder("devices/virtual/tty/ttyLOOP");
        fs::create_directory_symlink("device", looping / "device");
        sys_.ClassEntry("ttyLOOP", looping);
    }

    std::vector<std::string> Names(const std::vector<SerialPortInfo>& ports) const {
        std::vector<std::string> names;
        for (const auto& port : ports) {
            names.push_back(port.name);
        }
        return names;
    }

    const SerialPortInfo& Find(const std::vector<SerialPortInfo>& ports,
                               const std::string& name) const {
        for (const auto& port : ports) {
            if (port.name == name) {
                return port;
            }
        }
        throw std::runtime_error(name + " not listed");
    }

    test::TempDir dir_;
    FakeSysfs sys_{dir_.File("sys")};
};

TEST_F(SerialPortListTest, ListsRealDevicesUsbFirstInNaturalOrder) {
    auto ports = ListSerialPorts(dir_.File("sys"), "/dev");

    EXPECT_EQ(Names(ports),
              (std::vector<std::string>{"ttyACM0", "ttyUSB0", "ttyS0", "ttyS2", "ttyS10"}));
}

TEST_F(SerialPortListTest, ReadsTheUsbAdapterTwoLevelsAboveItsTty) {
    auto ports = ListSerialPorts(dir_.File("sys"), "/dev");
    const SerialPortInfo& ftdi = Find(ports, "ttyUSB0");

    EXPECT_EQ(ftdi.devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(ftdi.driver, "ftdi_sio");
    EXPECT_EQ(ftdi.vendorId, "0403");
    EXPECT_EQ(ftdi.productId, "6001");
    EXPECT_EQ(ftdi.manufacturer, "FTDI");
    EXPECT_EQ(ftdi.product, "FT232R USB UART");
    EXPECT_EQ(ftdi.serialNumber, "A50285BI");
    EXPECT_EQ(ftdi.Description(),
              "/dev/ttyUSB0  FTDI FT232R USB UART (0403:6001, serial A50285BI)");
}

TEST_F(SerialPortListTest, DescribesPortsWithLessToSay) {
    auto ports = ListSerialPorts(dir_.File("sys"), "/dev");

    const SerialPortInfo& acm = Find(ports, "ttyACM0");
    EXPECT_EQ(acm.driver, "cdc_acm");
    EXPECT_EQ(acm.Description(), "/dev/ttyACM0  Arduino Uno (2341:0043)");

    const SerialPortInfo& uart = Find(ports, "ttyS0");
    EXPECT_EQ(uart.driver, "serial8250");
    EXPECT_TRUE(uart.vendorId.empty());
    EXPECT_EQ(uart.Description(), "/dev/ttyS0  (serial8250)");
}

TEST_F(SerialPortListTest, DevicePathsFollowTheDeviceFolder) {
    auto ports = ListSerialPorts(dir_.File("sys"), "/tmp/devices");

    EXPECT_EQ(Find(ports, "ttyS2").devicePath, "/tmp/devices/ttyS2");
}

TEST(SerialPortListEmptyTest, UnreadableTreesGiveAnEmptyList) {
    test::TempDir dir;
    EXPECT_TRUE(ListSerialPorts(dir.File("missing")).empty());
    EXPECT_TRUE(ListSerialPorts(dir.Dir()).empty());  // no class/tty
    dir.Write("class", "a file where a folder belongs");
    EXPECT_TRUE(ListSerialPorts(dir.Dir()).empty());
}

TEST(SerialPortListEmptyTest, AUsbDeviceFarAboveItsTtyIsNotSearchedForeverButTheTtyIsListed) {
    test::TempDir dir;
    FakeSysfs sys(dir.File("sys"));
    std::string deep = "devices/usb9/9-1";
    sys.Attribute(deep, "idVendor", "1a86");
    for (int level = 0; level < 20; ++level) {
        deep += "/n" + std::to_string(level);
    }
    sys.Tty(deep, "ttyUSB3");

    auto ports = ListSerialPorts(dir.File("sys"));

    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].name, "ttyUSB3");
    EXPECT_TRUE(ports[0].vendorId.empty());
}

}  // namespace
}  // namespace quillon
