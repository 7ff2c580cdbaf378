// Picks the serial port and baud rate: "Port 1" to "Port 12" as before (on Windows "Port 1" to
// "Port 256", COM1 to COM256, each port this machine has named with its adapter), the other serial
// devices this system has (with what their adapters say of themselves), or a device path typed
// into the field (pseudo-terminals are never listed). A typed device the system does not have is
// kept only when the user says so, since its adapter may be plugged in later. The rates can only be
// picked from the list. The dialog reads and writes no settings; its caller does.
#pragma once

#include <string>
#include <vector>

#include "dialogs/FramedDialog.h"
#include "serial/PortName.h"
#include "serial/SerialPortList.h"

class QComboBox;

namespace quillon {

class DialogRunner;
class PaintedButton;

class SelectSerialPortDialog : public FramedDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Select Serial Port";
#ifdef _WIN32
    static constexpr int kListedPorts = PortName::kMaxPortNumber;
#else
    static constexpr int kListedPorts = 12;
#endif
    static constexpr int kBaudRates[] = {9600, 14400, 19200, 28800, 38400, 57600, 115200};
    static constexpr int kBaudCount = 7;
    static constexpr int kFallbackBaud = 19200;

    static constexpr const char* kMissingDeviceQuestion =
        "%s\nis not on this system now.\n\nKeep it anyway? Answer YES if its\nadapter will be "
        "plugged in later.";

    // devices: what the system has (ListSerialPorts), offered after the numbered ports unless
    // one of those opens it already; on Windows that numbered port then names the adapter. The
    // question about a missing device goes through runner.
    SelectSerialPortDialog(std::vector<SerialPortInfo> devices, DialogRunner& runner,
                           QWidget* parent = nullptr);

    // In: the current port number and device (empty: the number's default device) and an index
    // into kBaudRates. Call before the dialog is run.
    void SetSelection(int portNumber, const std::string& device, int baudIndex);

    // Out after Save. Port number: the chosen "Port N" (1 to kListedPorts); with a device chosen,
    // the number given (1 when that was outside the list); 0 when nothing was chosen. Baud: bits
    // per second; the rate given on opening when none is chosen.
    int PortNumber() const {
        return portNumber_;
    }
    const std::string& Device() const {
        return device_;
    }
    int Baud() const {
        return baud_;
    }

    QComboBox* PortList() const {
        return portList_;
    }
    QComboBox* BaudList() const {
        return baudList_;
    }
    PaintedButton* SaveButton() const {
        return save_;
    }
    PaintedButton* CancelButton() const {
        return cancel_;
    }

    // Index of rate in kBaudRates, 0 when it is not there.
    static int BaudIndex(int rate);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct PortChoice {
        int number = 0;
        std::string device;
    };

    void OnSave();
    PortChoice ReadPortChoice() const;
    bool Exists(const std::string& device) const;

    std::vector<SerialPortInfo> devices_;
    DialogRunner& runner_;
    int portNumber_ = 0;
    std::string device_;
    int baud_ = 0;
    int givenBaud_ = kFallbackBaud;
    QComboBox* portList_ = nullptr;
    QComboBox* baudList_ = nullptr;
    PaintedButton* cancel_ = nullptr;
    PaintedButton* save_ = nullptr;
};

}  // namespace quillon
