#include "cli/BaudOption.h"

#include <algorithm>
#include <iterator>

#include "cli/Commands.h"
#include "serial/SerialPort.h"
#include "settings/SettingsKeys.h"

namespace quillon::cli {

bool ParseBaudOption(const ArgParser& parser, const char* command, std::optional<int>* typed,
                     ConsoleErrorReporter& errors) {
    auto text = parser.Value("baud");
    if (!text) {
        return true;
    }
    constexpr long kFastest = SerialPort::kOfferedRates[std::size(SerialPort::kOfferedRates) - 1];
    auto number = ParseNumber(*text, 1, kFastest);
    if (number && std::ranges::find(SerialPort::kOfferedRates, *number) !=
                      std::end(SerialPort::kOfferedRates)) {
        *typed = static_cast<int>(*number);
        return true;
    }
    errors.Say(command, "--baud takes one of " + OfferedRatesText(", ") + ", not '" + *text + "'");
    return false;
}

int ChooseBaud(std::optional<int> typed, const IniFile& ini, const char* command, std::FILE* err) {
    const int asked = typed.value_or(settings::Read(ini, settings::kBaudRate));
    const int rate = SerialPort::LineRate(asked);
    if (rate != asked) {
        std::fprintf(err, "quillon7-cli %s: the serial line has no %d bps; it runs at %d bps\n",
                     command, asked, rate);
    }
    return rate;
}

}  // namespace quillon::cli
