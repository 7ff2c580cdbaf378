// quillon7-cli terminal: talk to the unit directly. What the unit sends is shown as it arrives;
// every key typed goes out as one byte (Esc included) and is echoed; Ctrl-] leaves and puts the
// terminal back as it was.
#include <atomic>

#include "cli/BaudOption.h"
#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/RawKeyboard.h"
#include "cli/SettingEffect.h"
#include "platform/AppDirectory.h"
#include "program/AppFiles.h"
#include "program/ArgParser.h"
#include "serial/PortName.h"
#include "serial/SystemSerialBackend.h"
#include "session/TerminalSession.h"
#include "session/UploadSession.h"
#include "settings/SettingsKeys.h"

namespace quillon::cli {

namespace {

constexpr uint8_t kLeaveKey = 0x1D;  // Ctrl-]

// What the unit sends goes straight to the console.
class ConsoleText final : public TerminalSink {
  public:
    explicit ConsoleText(std::FILE* out) : out_(out) {}
    void OnText(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), out_);
        std::fflush(out_);
    }
    void OnLineLost() override { lost = true; }
    std::atomic<bool> lost{false};

  private:
    std::FILE* out_;
};

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
    const PortName port = UploadSession::ChoosePort(ini, typed);
    const int baud = ChooseBaud(typedBaud, ini, "terminal", context.err);

    SystemClock clock;
    TerminalSession session(clock, MakeSystemSerialBackend());
    std::string reason;
    if (!session.Open(port, baud, &reason)) {
        std::string message = ErrorText(error::kPortFailed, session.DevicePath().c_str(), baud);
        errors.Show(error::kPortFailed, std::nullopt,
                    reason.empty() ? message : message + "\n\n" + reason);
        return kExitPortFailed;
    }
    auto text = std::make_shared<ConsoleText>(context.out);
    {
        // Raw before the greeting: a key typed as soon as it shows is a key like any other.
        RawKeyboard keyboard;
        std::fprintf(context.err, "Connected to %s at %d bps. Ctrl-] leaves.\r\n",
                     session.DevicePath().c_str(), baud);
        session.StartReading(text);
        while (!session.Ended()) {
            const int key = keyboard.ReadKey(100);
            if (key == RawKeyboard::kNoKey) {
                continue;
            }
            if (key == RawKeyboard::kEndOfInput || key == kLeaveKey) {
                break;
            }
            session.Send(static_cast<uint8_t>(key));
            if (key >= 0x20 || key == '\r' || key == '\n') {
                std::fputc(key == '\r' ? '\n' : key, context.out);  // echo
                std::fflush(context.out);
            }
        }
        session.Stop();
        session.Wait();
    }
    if (text->lost) {
        std::fprintf(context.err, "\nThe serial line was lost (cable or adapter unplugged?).\n");
        return kExitFailed;
    }
    std::fprintf(context.err, "\nDisconnected.\n");
    return kExitOk;
}

}  // namespace quillon::cli
