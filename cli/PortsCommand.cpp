// quillon7-cli ports: the serial devices this machine has, with what it knows of each adapter.
#include "cli/CliContext.h"
#include "program/ArgParser.h"
#include "serial/SerialPortList.h"

namespace quillon::cli {

int RunPorts(const CliContext& context) {
    ArgParser parser = CommandParser(context);
    if (auto status = ParseOptionsOnly(context, parser)) {
        return *status;
    }
    std::vector<SerialPortInfo> ports = ListSerialPorts();
    if (ports.empty()) {
        std::fprintf(context.out, "No serial devices found.\n");
    }
    for (const SerialPortInfo& p : ports) {
        std::fprintf(context.out, "%s\n", p.Description().c_str());
    }
    return kExitOk;
}

}  // namespace quillon::cli
