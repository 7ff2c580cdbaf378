#include "cli/Commands.h"

#include "serial/SerialPort.h"

namespace quillon::cli {

namespace {

constexpr size_t kHelpWidth = 80;

// The words that differ between the platforms. The manual pages and the completion are rendered
// on Linux, from the POSIX words.
#ifdef _WIN32
constexpr const char* kAppDirHelp =
    "folder of Quillon.ini, History.txt and Logs\\ (default: beside the program when writable, "
    "else %LOCALAPPDATA%\\Quillon7); may also come before the command";
constexpr const char* kPortHelp =
    "a port number as in the settings (COM3, 3) or a device (\\\\.\\CNCA0, CNCA0) (default: the "
    "settings file)";
constexpr const char* kPagerHelp =
    "show the log of that name or number in the list in %PAGER% (or print it when there is none "
    "or output is not a console)";
constexpr const char* kPortsAbout =
    "Lists the COM ports of this system with what the device registry says of their adapters: "
    "name, maker and, for USB, vendor, product and serial number. --port takes any other device "
    "name all the same (\\\\.\\CNCA0).";
constexpr std::pair<const char*, const char*> kStopNote = {
    "Console",
    "once the upload has started it runs to its end: Ctrl-Break stops it as Ctrl-C does; a closed "
    "output (a pipe gone) is ignored: the output stops, the upload, message log and history go "
    "on. Closing the console window, logging off or shutting down ends the program at once: the "
    "unit is told nothing more, and the history shows the upload's begin without a result."};
constexpr const char* kHelpUsage = "--help (or /?) | --version";
constexpr const char* kFirstTry =
    "First try: quillon7-cli samples \"%TEMP%\\q7\" && quillon7-cli upload --simulate --comm "
    "\"%TEMP%\\q7\\SAMPLE_COMM.bin\"\n";
#else
constexpr const char* kAppDirHelp =
    "folder of Quillon.ini, History.txt and Logs/ (default: beside the program when writable, "
    "else ~/.local/share/quillon7); may also come before the command";
constexpr const char* kPortHelp =
    "a device (/dev/ttyUSB0, ttyUSB0) or a port number as in the settings (default: the settings "
    "file)";
constexpr const char* kPagerHelp =
    "show the log of that name or number in the list in $PAGER (or print it when there is none or "
    "output is not a terminal)";
constexpr const char* kPortsAbout =
    "Lists the serial devices of this system with what their adapters say of themselves. "
    "Pseudo-terminals are not listed; --port takes any device path all the same.";
constexpr std::pair<const char*, const char*> kStopNote = {
    "Signals",
    "once the upload has started it runs to its end: SIGTERM stops it as Ctrl-C does; a hang-up "
    "(SIGHUP, a dropped SSH session) is ignored, and so is a closed output (a pipe or terminal "
    "gone): the output stops, the upload, message log and history go on."};
constexpr const char* kHelpUsage = "--help | --version";
constexpr const char* kFirstTry =
    "First try: quillon7-cli samples /tmp/q7 && quillon7-cli upload --simulate --comm "
    "/tmp/q7/SAMPLE_COMM.bin\n";
#endif

constexpr OptionSpec kHelpOption{
    .name = "help", .help = "show this help and exit", .shortName = 'h'};

constexpr OptionSpec kAppDir{
    .name = "app-dir", .value = "DIR", .help = kAppDirHelp, .hint = ValueHint::kFolder};

constexpr OptionSpec kPort{
    .name = "port", .value = "DEVICE", .help = kPortHelp, .hint = ValueHint::kDevice};

// The files of `upload` and `check`.
std::vector<OptionSpec> FileOptions(const char* group) {
    return {
        {.name = "comm",
         .value = "FILE",
         .help = "COMM board image (.bin)",
         .hint = ValueHint::kFile,
         .words = "bin",
         .group = group},
        {.name = "reader",
         .value = "FILE",
         .help = "READER board image (.bin)",
         .hint = ValueHint::kFile,
         .words = "bin",
         .group = group},
        {.name = "speech",
         .value = "FILE",
         .help = "SPEECH board image (.bin)",
         .hint = ValueHint::kFile,
         .words = "bin",
         .group = group},
        {.name = "kx",
         .value = "FILE",
         .help = "KX2 image (.kx); not together with the three above",
         .hint = ValueHint::kFile,
         .words = "kx",
         .group = group},
    };
}

// --baud with the rates of the line, for `upload` and `terminal`.
OptionSpec BaudOption(const char* group) {
    static const std::string help = "bits per second: " + OfferedRatesText(", ") +
                                    " (default: the settings file; 14400 and 28800 run at 19200)";
    static const std::string words = OfferedRatesText(" ");
    return {.name = "baud",
            .value = "N",
            .help = help.c_str(),
            .hint = ValueHint::kWords,
            .words = words.c_str(),
            .group = group};
}

OptionSpec InGroup(OptionSpec option, const char* group) {
    option.group = group;
    return option;
}

std::vector<OptionSpec> UploadOptions() {
    std::vector<OptionSpec> options = FileOptions("Files");
    const char* line = "Line";
    const char* other = "Options";
    options.insert(
        options.end(),
        {InGroup(kPort, line),
         {.name = "simulate",
          .help = "upload to a simulated unit started in this process (HBD or KX2, as the "
                  "files call for); no hardware needed; not with --port",
          .group = line},
         BaudOption(line),
         InGroup(kAppDir, other),
         {.name = "no-validate",
          .help = "skip the size and content checks (a file must still exist)",
          .group = other},
         {.name = "show-bytes",
          .help = "show every byte sent and received as hex lines",
          .group = other},
         {.name = "json",
          .help = "one JSON object per line on stdout, as docs/cli-json.md describes; errors "
                  "also come there as \"type\":\"error\" lines",
          .group = other},
         {.name = "verbose",
          .help = "every log line of the run, as the message log has it",
          .shortName = 'v',
          .group = other},
         {.name = "quiet", .help = "only errors and the summary; not with -v", .group = other},
         InGroup(kHelpOption, other)});
    return options;
}

std::vector<CommandSpec> MakeCommands() {
    std::vector<OptionSpec> checkOptions = FileOptions(nullptr);
    checkOptions.insert(
        checkOptions.end(),
        {{.name = "no-validate", .help = "skip the size and content checks, as upload does"},
         BaudOption(nullptr),
         kAppDir,
         {.name = "json",
          .help = "one \"check\" line per file, then the result line (see docs/cli-json.md)"},
         kHelpOption});
    return {
        {.name = "upload",
         .summary = "upload firmware to an HBD (--comm/--reader/--speech) or KX2 (--kx) unit",
         .synopsis = "[FILES] [--port DEVICE | --simulate] [options]",
         .about =
             "Uploads firmware to an HBD unit (COMM, READER and SPEECH boards, in the configured "
             "order) or to a KX2 unit (one .kx image), with the settings, message log and history "
             "of the desktop program.\n\n"
             "A COMM or READER file is 64 to 512 KiB in whole KiB and holds its board's marker "
             "text (`check` says which one is missing); a "
             "SPEECH file is 300 to 6144 KiB; a .kx file is not empty, its name at most 49 "
             "characters, and it fits 5000 packets of the \"Max Packet Size\" setting. "
             "--no-validate skips all but the .kx limits and a COMM or READER file's 32 KiB "
             "header, beyond which there must be something to send.\n\n"
             "Every file is read whole before the port is opened; the unit gets those bytes, "
             "whatever happens to the file during the run. The estimates are for the line's rate.",
         .options = UploadOptions(),
         .notes = {{"Exit status",
                    "0 every selected file uploaded (also when a record could not be written: "
                    "that is said on stderr); 1 an upload failed (also a KX2 unit that never "
                    "confirmed the upload); 2 usage error or a rejected file; 3 the serial port "
                    "could not be opened; 130 interrupted (Ctrl-C: the unit is told nothing "
                    "more, the history records the abort; a second Ctrl-C within 2 seconds gives "
                    "the upload 2 seconds more to stop, then ends the program, the abort recorded "
                    "and the result said all the same)."},
                   kStopNote}},
        {.name = "check",
         .summary = "check firmware files and show their packets and estimates, without a port",
         .synopsis = "[--comm FILE] [--reader FILE] [--speech FILE] | [--kx FILE] [options]",
         .about = "Makes the checks `upload` makes of its files, on the files as `upload` reads "
                  "them, and prints each file's packets and time estimate at the line's rate, "
                  "without opening a port or writing anything. Every file `upload` would refuse "
                  "is named, not only the first.",
         .options = checkOptions,
         .notes = {{"Exit status", "0 every file passes; 2 a usage error or a rejected file."}}},
        {.name = "terminal",
         .summary = "talk to the unit over the serial line",
         .synopsis = "[--port DEVICE] [--baud N] [--app-dir DIR]",
         .about = "A serial terminal to the unit: received text is shown as it arrives, every "
                  "key typed is sent as one byte (Esc sends 0x1B) and echoed. Leave with "
                  "Ctrl-] ; the terminal is put back as it was. Port and baud rate default to "
                  "the settings file.",
         .options = {kPort, BaudOption(nullptr), kAppDir, kHelpOption},
         .notes = {{"Exit status",
                    "0 left by the user or end of input; 1 the line was lost; 2 usage error; 3 "
                    "the serial port could not be opened."}}},
        {.name = "ports",
         .summary = "list the serial devices of this system",
         .synopsis = "",
         .about = kPortsAbout,
         .options = {kHelpOption}},
        {.name = "history",
         .summary = "print the upload history",
         .synopsis = "[--app-dir DIR] [--json]",
         .about = "Prints the upload history (History.txt): every upload's begin, result and "
                  "duration. Before the first upload there is none: that is said on stderr "
                  "(Error ID: 103) and nothing is printed.",
         .options = {kAppDir,
                     {.name = "json",
                      .help = "one \"history\" line per entry (time, kind, file, outcome: begin, "
                              "completed, failed, critical or unknown, and detail: the duration "
                              "or error text), read without changing the file; no line at all "
                              "before the first upload (see docs/cli-json.md)"},
                     kHelpOption},
         .notes = {{"Exit status",
                    "0 the history was printed, also when there is none yet; 1 History.txt is "
                    "there but cannot be read (a folder, no permission); 2 usage error."}}},
        {.name = "logs",
         .summary = "list, view or delete the message logs",
         .synopsis = "[--app-dir DIR] [--view LOG | --delete NAME [--yes]]",
         .about = "Lists the logs of the Logs folder, newest first: number, type (Status or "
                  "Serial), name, date, time and size.",
         .options = {kAppDir,
                     {.name = "view", .value = "LOG", .help = kPagerHelp},
                     {.name = "delete",
                      .value = "NAME",
                      .help = "delete the log of that name, after asking"},
                     {.name = "yes", .help = "with --delete: do not ask"},
                     kHelpOption},
         .notes = {{"Exit status",
                    "0 listed, shown or deleted (or the question answered no); 1 no such log, or "
                    "it could not be deleted; 2 usage error."}}},
        {.name = "samples",
         .summary = "write sample firmware files for a trial run",
         .synopsis = "DIR [--force]",
         .about = "Writes sample COMM, READER and SPEECH .bin files and a .kx file into DIR "
                  "(SAMPLE_COMM.bin, SAMPLE_READER.bin, SAMPLE_SPEECH.bin and SAMPLE.kx) and "
                  "prints their paths. They pass the file checks and upload to the simulated "
                  "units; they are not firmware for any real unit.",
         .options = {{.name = "force",
                      .help = "overwrite sample files already in DIR; without it none is written "
                              "when one is there"},
                     kHelpOption},
         .operand = "DIR",
         .operandHint = ValueHint::kFolder,
         .notes = {{"Exit status",
                    "0 written; 1 a sample file is there already (without --force) or a file "
                    "could not be written; 2 usage error."}}},
        {.name = "settings",
         .summary = "show the settings in effect, or restore the defaults",
         .synopsis = "[--app-dir DIR] [--reset [--yes]]",
         .about = "Shows each key's text in Quillon.ini, the value uploads use, and why the two "
                  "differ.",
         .options = {kAppDir,
                     {.name = "reset",
                      .help = "restore the factory defaults (the port, sounds, remembered files "
                              "and KX2 keys are removed, as by the desktop's \"Use Defaults\") "
                              "after asking"},
                     {.name = "yes", .help = "with --reset: do not ask"},
                     kHelpOption}},
        {.name = "help",
         .summary = "list the commands, or describe one",
         .synopsis = "[COMMAND]",
         .about = "Lists the commands, or describes COMMAND as 'quillon7-cli COMMAND --help' "
                  "does.",
         .options = {kHelpOption},
         .operand = "COMMAND",
         .operandHint = ValueHint::kWords},
    };
}

// The commands, and their names as what `help` takes.
std::vector<CommandSpec> MakeCommandTable() {
    std::vector<CommandSpec> commands = MakeCommands();
    static std::string names;
    for (const CommandSpec& command : commands) {
        names += (names.empty() ? "" : " ") + std::string(command.name);
    }
    for (CommandSpec& command : commands) {
        if (command.operandHint == ValueHint::kWords && command.operandWords == nullptr) {
            command.operandWords = names.c_str();
        }
    }
    return commands;
}

}  // namespace

std::string OfferedRatesText(const char* separator) {
    std::string text;
    for (int rate : SerialPort::kOfferedRates) {
        text += (text.empty() ? "" : separator) + std::to_string(rate);
    }
    return text;
}

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = MakeCommandTable();
    return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& command : Commands()) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

bool IsWindowsHelpWord(std::string_view arg) {
#ifdef _WIN32
    return arg == "/?";
#else
    (void)arg;
    return false;
#endif
}

std::string CommandHelp(const CommandSpec& command) {
    std::string text = std::string("Usage: quillon7-cli ") + command.name;
    text += std::string(*command.synopsis != '\0' ? " " : "") + command.synopsis + "\n\n";
    text += WrapText(command.about, kHelpWidth, 0, 0) + "\n";
    text += OptionListText(command.options, kHelpWidth);
    for (const auto& [title, note] : command.notes) {
        text += "\n" + WrapText(std::string(title) + ": " + note, kHelpWidth, 0, 0);
    }
    return text;
}

std::string ProgramHelp() {
    std::string text = std::string(
                           "Usage: quillon7-cli [--app-dir DIR] COMMAND [options]\n"
                           "       quillon7-cli ") +
                       kHelpUsage +
                       "\n"
                       "\n"
                       "Commands:\n";
    for (const CommandSpec& command : Commands()) {
        std::string name = std::string("  ") + command.name;
        name.resize(13, ' ');
        text += name + command.summary + "\n";
    }
    text +=
        "\n"
        "'quillon7-cli COMMAND --help' or 'quillon7-cli help COMMAND' describes each command.\n";
    text += kFirstTry;
    return text;
}

}  // namespace quillon::cli
