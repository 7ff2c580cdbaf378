// quillon7-cli check: the pick and start checks of an upload and each file's packets and
// estimate, without touching a port or writing anything.

#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/JsonLine.h"
#include "cli/JsonReporter.h"
#include "cli/PickChecks.h"
#include "cli/SettingEffect.h"
#include "platform/AppDirectory.h"
#include "platform/AppFiles.h"
#include "platform/ArgParser.h"
#include "platform/FileSystem.h"
#include "settings/SettingsKeys.h"
#include "upload/HbdUploader.h"
#include "upload/Kx2Uploader.h"
#include "upload/ProgressTexts.h"

namespace quillon::cli {

namespace {

constexpr char kCheckHelp[] =
    "Usage: quillon7-cli check [--comm FILE] [--reader FILE] [--speech FILE] | [--kx FILE]\n"
    "                          [--no-validate] [--app-dir DIR] [--json]\n"
    "Makes the checks `upload` makes of its files and prints each file's packets and time\n"
    "estimate, without opening a port or writing anything. Exit status: 0 every file passes;\n"
    "2 a usage error or a rejected file. --json: one \"check\" line per file, then the result\n"
    "line (see docs/cli-json.md).\n";

struct Count {
    int64_t packets;
    int32_t estimate;
};

uint64_t FileLength(const std::string& path) {
    return fs::Inspect(path).size;
}

Count CountFile(const std::string& path, int kind, bool kx2, const IniFile& ini) {
    const uint64_t length = FileLength(path);
    if (kx2) {
        const uint64_t packets =
            Kx2Uploader::PacketsFor(length, settings::Read(ini, settings::kMaxPacketSize));
        return {
            static_cast<int64_t>(packets),
            Kx2Uploader::EstimateFor(packets, settings::Read(ini, settings::kDelayBetweenPackets))};
    }
    const int32_t packets = HbdUploader::AnnouncedPackets(length, kind);
    return {packets, packets * HbdUploader::SecondsPerPacket(kind)};
}

}  // namespace

int RunCheck(const CliContext& context) {
    bool json = false;
    for (const std::string& arg : context.args) {
        json = json || arg == "--json";
    }
    ConsoleErrorReporter errors(context.err, json ? context.out : nullptr);
    auto finish = [&](int status) {
        if (json) {
            std::fputs(JsonLine("result")
                           .Text("outcome", status == kExitOk ? "passed" : "refused")
                           .Number("exitCode", status)
                           .Line()
                           .c_str(),
                       context.out);
        }
        return status;
    };
    ArgParser parser({"comm", "reader", "speech", "kx", "app-dir"},
                     {"no-validate", "json", "help"});
    if (!parser.Parse(context.args) || !parser.Positional().empty()) {
        errors.Say("check", parser.Error().empty()
                                ? "unexpected argument '" + parser.Positional()[0] + "'"
                                : parser.Error());
        return finish(kExitUsage);
    }
    if (parser.Has("help")) {
        std::fputs(kCheckHelp, context.out);
        return kExitOk;
    }
    const bool kx2 = parser.Has("kx");
    if (kx2 && (parser.Has("comm") || parser.Has("reader") || parser.Has("speech"))) {
        errors.Say("check", "--kx cannot be combined with HBD files");
        return finish(kExitUsage);
    }
    const FileSelection files = SelectedFiles(parser, kx2);
    const bool validate = !parser.Has("no-validate");
    std::vector<TamarackFinding> tamarack;
    if (!CheckPicks(files, kx2, validate, &tamarack, errors) ||
        !CheckStartSelection(files, kx2, validate, errors)) {
        return finish(kExitUsage);
    }
    const std::string iniPath =
        app_files::SettingsPath(ResolveAppDirectory(parser.Value("app-dir").value_or("")));
    WarnAboutSettingsFile(iniPath, context.err);
    const IniFile ini(iniPath);
    struct Slot {
        const std::optional<std::string>& path;
        int kind;
    };
    for (const Slot& slot : {Slot{files.comm, kKindComm}, Slot{files.reader, kKindReader},
                             Slot{files.speech, kKindSpeech}}) {
        if (!slot.path) {
            continue;
        }
        const Count count = CountFile(*slot.path, slot.kind, kx2, ini);
        const char* board = kx2 ? "KX2" : FileKindName(slot.kind);
        if (json) {
            std::fputs(JsonLine("check")
                           .Text("board", board)
                           .Text("path", *slot.path)
                           .Number("packets", count.packets)
                           .Number("estimate", count.estimate)
                           .Line()
                           .c_str(),
                       context.out);
        } else {
            std::fprintf(context.out, "%-7s passed  %5lld packets  about %s  %s\n", board,
                         static_cast<long long>(count.packets), CounterText(count.estimate).c_str(),
                         slot.path->c_str());
        }
    }
    return finish(kExitOk);
}

}  // namespace quillon::cli
