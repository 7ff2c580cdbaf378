// quillon7-cli: uploads, terminal and records without a screen, over the desktop's core.
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "cli/Console.h"
#include "platform/ProgramState.h"
#include "platform/StandardStreams.h"

namespace {

constexpr char kHelp[] =
    "Usage: quillon7-cli COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  upload     upload firmware to an HBD (--comm/--reader/--speech) or KX2 (--kx) unit\n"
    "  check      check firmware files and show their packets and estimates, without a port\n"
    "  terminal   talk to the unit over the serial line\n"
    "  ports      list the serial devices of this system\n"
    "  history    print the upload history\n"
    "  logs       list, view or delete the message logs\n"
    "  samples    write sample firmware files for a trial run\n"
    "  settings   show the settings in effect, or restore the defaults\n"
    "\n"
    "'quillon7-cli COMMAND --help' describes each command.\n"
    "First try: quillon7-cli samples /tmp/q7 && quillon7-cli upload --simulate --comm "
    "/tmp/q7/SAMPLE_COMM.bin\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace quillon::cli;
    if (!quillon::OpenClosedStandardStreams()) {
        return kExitUploadFailed;
    }
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("quillon7-cli v%d.%d\n", quillon::kVersionMajor, quillon::kVersionMinor);
        return kExitOk;
    }
    CliContext context;
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    const std::string command = arguments.front();
    context.args.assign(arguments.begin() + 1, arguments.end());
    struct Command {
        const char* name;
        int (*run)(const CliContext&);
    };
    static constexpr Command kCommands[] = {{"upload", RunUpload},     {"check", RunCheck},
                                            {"terminal", RunTerminal}, {"ports", RunPorts},
                                            {"history", RunHistory},   {"logs", RunLogs},
                                            {"samples", RunSamples},   {"settings", RunSettings}};
    for (const Command& c : kCommands) {
        if (command == c.name) {
            return c.run(context);
        }
    }
    std::fprintf(stderr, "quillon7-cli: unknown command '%s'\nTry 'quillon7-cli --help'.\n",
                 command.c_str());
    return kExitUsage;
}
