// quillon7-cli check: the pick and start checks of an upload and each file's packets and
// estimate, without touching a port or writing anything.

#include "cli/BaudOption.h"
#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/JsonLine.h"
#include "cli/JsonReporter.h"
#include "cli/SettingEffect.h"
#include "platform/AppDirectory.h"
#include "program/AppFiles.h"
#include "program/ArgParser.h"
#include "serial/SerialPort.h"
#include "upload/ImageEstimate.h"
#include "upload/ProgressTexts.h"

namespace quillon::cli {

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
    ArgParser parser = CommandParser(context);
    if (const Parsed parsed = ParseCommandLine(context, parser, errors); parsed != Parsed::kRun) {
        return parsed == Parsed::kHelpShown ? kExitOk : finish(kExitUsage);
    }
    std::optional<int> typedBaud;
    if (!ParseBaudOption(parser, "check", &typedBaud, errors)) {
        return finish(kExitUsage);
    }
    const bool kx2 = parser.Has("kx");
    if (kx2 && (parser.Has("comm") || parser.Has("reader") || parser.Has("speech"))) {
        errors.Say("check", "--kx cannot be combined with HBD files");
        return finish(kExitUsage);
    }
    const std::string iniPath =
        app_files::SettingsPath(ResolveAppDirectory(parser.Value("app-dir").value_or("")));
    WarnAboutSettingsFile(iniPath, context.err);
    const IniFile ini(iniPath);
    const int baud = ChooseBaud(typedBaud, ini, "check", context.err);
    const FileSelection files = SelectedFiles(parser, kx2);
    SystemClock clock;
    ProgramState state;
    UploadSession session(state, clock);
    if (!session.CheckFiles(files, kx2, !parser.Has("no-validate"), ini, errors, true)) {
        return finish(kExitUsage);
    }
    struct Slot {
        const FirmwareImageRef& image;
        FileKind kind;
    };
    const StartImages& images = session.Images();
    for (const Slot& slot :
         {Slot{images.comm, FileKind::kComm}, Slot{images.reader, FileKind::kReader},
          Slot{images.speech, FileKind::kSpeech}}) {
        if (!slot.image) {
            continue;
        }
        const std::string& path = slot.image->path;
        const ImageEstimate count =
            EstimateImage(slot.image->bytes.size(), slot.kind, kx2, ini, baud);
        const char* board = kx2 ? "KX2" : FileKindName(slot.kind);
        if (json) {
            std::fputs(JsonLine("check")
                           .Text("board", board)
                           .Text("path", path)
                           .Number("packets", count.packets)
                           .Number("estimate", count.seconds)
                           .Line()
                           .c_str(),
                       context.out);
        } else {
            std::fprintf(context.out, "%-7s passed  %5lld packets  about %s  %s\n", board,
                         static_cast<long long>(count.packets), CounterText(count.seconds).c_str(),
                         path.c_str());
        }
    }
    return finish(kExitOk);
}

}  // namespace quillon::cli
