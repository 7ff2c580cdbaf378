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
    void Attributes(const std::string& folder,
                    const std::vector<std::pair<std::string, std::string>>& values) const {
        for (const auto& [name, value] : values) {
            Attribute(folder, name, value);
        }
    }

  private:
    fs::path root_;
};

// USB adapters first, then the UARTs in natural order, each described by what sysfs tells.
TEST(SerialPortListTest, ListsRealDevicesUsbFirstInNaturalOrderWithWhatSysfsTells) {
    test::TempDir dir;
    FakeSysfs sys(dir.File("sys"));
    const std::string hub = "devices/pci0000:00/0000:00:14.0/usb1";
    // An FTDI adapter: tty -> usb-serial port -> interface -> USB device with the ids.
    sys.Attributes(hub + "/1-2", {{"idVendor", "0403"},
                                  {"idProduct", "6001"},
                                  {"manufacturer", "FTDI"},
                                  {"product", "FT232R USB UART"},
                                  {"serial", "A50285BI"}});
    sys.DriverLink(hub + "/1-2/1-2:1.0", "ftdi_sio_interface");
    sys.DriverLink(hub + "/1-2/1-2:1.0/ttyUSB0", "ftdi_sio");
    sys.Tty(hub + "/1-2/1-2:1.0/ttyUSB0", "ttyUSB0");
    // A CDC-ACM board without a serial number: its device is the interface itself.
    sys.Attributes(hub + "/1-3", {{"idVendor", "2341"},
                                  {"idProduct", "0043"},
                                  {"manufacturer", "Arduino"},
                                  {"product", "Uno"}});
    sys.DriverLink(hub + "/1-3/1-3:1.0", "cdc_acm");
    sys.Tty(hub + "/1-3/1-3:1.0", "ttyACM0");
    // On-board UART slots: ttyS1 has no chip behind it.
    sys.DriverLink("devices/platform/serial8250", "serial8250");
    for (const std::string name : {"ttyS10", "ttyS0", "ttyS2", "ttyS1"}) {
        sys.Tty("devices/platform/serial8250", name);
        sys.Attribute("devices/platform/serial8250/tty/" + name, "type",
                      name == "ttyS1" ? "0" : "4");
    }
    // Pseudo-terminal master and a console: no device, never listed.
    sys.ClassEntry("ptmx", sys.Folder("devices/virtual/tty/ptmx"));
    sys.ClassEntry("tty0", sys.Folder("devices/virtual/tty/tty0"));
    // A vanished device, a tty whose device link dangles, a device link that loops.
    fs::create_directory_symlink("../../devices/gone/ttyUSB9", sys.Folder("class/tty") / "ttyUSB9");
    const fs::path dangling = sys.Folder("devices/virtual/tty/ttyUSB5");
    fs::create_directory_symlink("../../nowhere", dangling / "device");
    sys.ClassEntry("ttyUSB5", dangling);
    const fs::path looping = sys.Folder("devices/virtual/tty/ttyLOOP");
    fs::create_directory_symlink("device", looping / "device");
    sys.ClassEntry("ttyLOOP", looping);

    std::vector<std::string> described;
    for (const auto& port : ListSerialPorts(dir.File("sys"), "/tmp/devices")) {
        described.push_back(port.driver + " | " + port.Description());
    }
    EXPECT_EQ(
        described,
        (std::vector<std::string>{
            "cdc_acm | /tmp/devices/ttyACM0  Arduino Uno (2341:0043)",
            "ftdi_sio | /tmp/devices/ttyUSB0  FTDI FT232R USB UART (0403:6001, serial A50285BI)",
            "serial8250 | /tmp/devices/ttyS0  (serial8250)",
            "serial8250 | /tmp/devices/ttyS2  (serial8250)",
            "serial8250 | /tmp/devices/ttyS10  (serial8250)"}));
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

// Windows device instance IDs: what `ports` shows of a USB adapter there.
TEST(SerialPortListTest, UsbInstanceIdsGiveVendorProductAndOwnSerialNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"USB\\VID_0403&PID_6001\\A50285BI", "0403:6001 A50285BI"},
        {"usb\\vid_1A86&pid_7523\\5&2B4C0D1&0&2", "1a86:7523 "},  // Windows made the last part
        {"USB\\VID_2341&PID_0043&MI_00\\6&1", ""},                // an interface: see its parent
        {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", ""},
        {"USB\\ROOT_HUB30\\4&1", ""}};
    for (const auto& [id, expected] : cases) {
        SerialPortInfo info;
        const bool usb = ReadUsbInstanceId(id, &info);
        EXPECT_EQ(usb ? info.vendorId + ":" + info.productId + " " + info.serialNumber : "",
                  expected)
            << id;
    }
}

}  // namespace
}  // namespace quillon
