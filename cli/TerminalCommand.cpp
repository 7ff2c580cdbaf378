// quillon7-cli terminal: talk to the unit directly. What the unit sends is shown as it arrives;
// every key typed goes out as one byte (Esc included) and is echoed; Ctrl-] leaves and puts the
// terminal back as it was.
#include <atomic>
#include <thread>

#include "cli/BaudOption.h"
#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/RawKeyboard.h"
#include "cli/SettingEffect.h"
#include "platform/AppDirectory.h"
#include "platform/AppFiles.h"
#include "platform/ArgParser.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "serial/SystemSerialBackend.h"
#include "settings/SettingsKeys.h"
#include "upload/StartPlan.h"

namespace quillon::cli {

namespace {

constexpr uint8_t kLeaveKey = 0x1D;  // Ctrl-]
constexpr int kReadChunk = 4094;     // what the reader asks the line for at most

}  // namespace

int RunTerminal(const CliContext& context) {
    ConsoleErrorReporter errors(context.err);
    ArgParser parser = CommandParser(context);
    if (const Parsed parsed = ParseCommandLine(context, parser, errors); parsed != Parsed::kRun) {
        return parsed == Parsed::kHelpShown ? kExitOk : kExitUsage;
    }
    std::optional<int> typedBaud;
    if (!ParseBaudOption(parser, "terminal", &typedBaud, errors)) {
        return kExitUsage;
    }
    IniFile ini(app_files::SettingsPath(ResolveAppDirectory(parser.Value("app-dir").value_or(""))));
    WarnAboutSettingsFile(ini.Path(), context.err);
    std::optional<PortName> typed;
    if (auto text = parser.Value("port")) {
        std::string error;
        typed = PortName::Parse(*text, &error);
        if (!typed) {
            errors.Say("terminal", error);
            return kExitUsage;
        }
    }
    const PortName port = ChooseRunPort(ini, typed);
    const int baud = ChooseBaud(typedBaud, ini, "terminal", context.err);

    SystemSerialBackend library;
    const uint8_t index = static_cast<uint8_t>(PortIndex(port.portNumber));
    library.SetDevice(index, port.device);
    SerialPort line(library);
    if (line.OpenPort(index, SerialPort::BaudCode(baud)) != 0) {
        CheckSerialPort(library, port.portNumber, library.DevicePath(index), baud, errors);
        return kExitPortFailed;
    }
    std::atomic<bool> stop{false};
    std::atomic<bool> lineLost{false};
    {
        // Raw before the greeting: a key typed as soon as it shows is a key like any other.
        RawKeyboard keyboard;
        std::fprintf(context.err, "Connected to %s at %d bps. Ctrl-] leaves.\r\n",
                     library.DevicePath(index).c_str(), baud);
        std::thread reader([&] {
            while (!stop) {
                int n =
                    line.ReadBlock(reinterpret_cast<uint8_t*>(line.receiveText.data()), kReadChunk);
                if (n > 0) {
                    std::fwrite(line.receiveText.data(), 1, static_cast<size_t>(n), context.out);
                    std::fflush(context.out);
                    continue;
                }
                if (n < 0 && n != kSerialNothingWaiting) {
                    lineLost = true;
                    stop = true;
                    break;
                }
                line.WaitReadable(100);
            }
        });
        while (!stop) {
            const int key = keyboard.ReadKey(100);
            if (key == RawKeyboard::kNoKey) {
                continue;
            }
            if (key == RawKeyboard::kEndOfInput || key == kLeaveKey) {
                break;
            }
            line.WriteByte(static_cast<uint8_t>(key));
            if (key >= 0x20 || key == '\r' || key == '\n') {
                std::fputc(key == '\r' ? '\n' : key, context.out);  // echo
                std::fflush(context.out);
            }
        }
        stop = true;
        reader.join();
    }
    line.ClosePort();
    if (lineLost) {
        std::fprintf(context.err, "\nThe serial line was lost (cable or adapter unplugged?).\n");
        return kExitUploadFailed;
    }
    std::fprintf(context.err, "\nDisconnected.\n");
    return kExitOk;
}

}  // namespace quillon::cli
