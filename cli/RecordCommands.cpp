// quillon7-cli history and settings: the records a technician looks at without a screen.
#include <cerrno>
#include <cstring>
#include <optional>

#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/JsonLine.h"
#include "cli/SettingEffect.h"
#include "platform/AppDirectory.h"
#include "platform/FileSystem.h"
#include "program/AppFiles.h"
#include "program/ArgParser.h"
#include "records/HistoryEntries.h"
#include "settings/SettingsKeys.h"

namespace quillon::cli {

namespace {

// "  [HBD Params] Delay after File Upload   "5"   60   out of range 45-300: using 60"
void PrintSetting(std::FILE* out, const char* section, const char* key,
                  const SettingEffect& effect) {
    const std::string name = std::string("[") + section + "] " + key;
    const std::string stored = effect.stored ? "\"" + *effect.stored + "\"" : "-";
    std::fprintf(out, "  %-42s %-18s %-10s %s\n", name.c_str(), stored.c_str(),
                 effect.inEffect.c_str(), effect.why.c_str());
}

std::string AppDir(const ArgParser& parser) {
    return ResolveAppDirectory(parser.Value("app-dir").value_or(""));
}

}  // namespace

int RunHistory(const CliContext& context) {
    ArgParser parser = CommandParser(context);
    if (auto status = ParseOptionsOnly(context, parser)) {
        return *status;
    }
    const std::string path = app_files::HistoryPath(AppDir(parser));
    auto cannotRead = [&](const std::string& why) {
        std::fprintf(context.err, "quillon7-cli history: %s %s\n", path.c_str(), why.c_str());
        return kExitFailed;
    };
    if (!fs::EntryExists(path)) {
        // No upload so far: nothing to print, and no failure either.
        std::fprintf(context.err,
                     "Error ID: 103\nFile: %s\nFailed to locate the \"History\" file.\n\n"
                     "Possibly no previous uploads!\n",
                     path.c_str());
        return kExitOk;
    }
    if (!fs::Inspect(path).regular) {
        return cannotRead("is not a file");  // a folder, a device, a broken link
    }
    const bool json = parser.Has("json");
    std::string text;
    if (json ? !ReadFileBlocks(path, [&text](std::string_view block) { text += block; })
             : !PrintTextFile(path, context.out)) {
        return cannotRead(std::string("cannot be read: ") + std::strerror(errno));
    }
    if (json) {
        for (const HistoryEntry& entry : ParseHistory(text)) {
            std::fputs(JsonLine("history")
                           .Text("entryTime", entry.time)
                           .Text("kind", entry.kind)
                           .Text("file", entry.file)
                           .Text("outcome", entry.outcome)
                           .Text("detail", entry.detail)
                           .Line()
                           .c_str(),
                       context.out);
        }
    }
    return kExitOk;
}

int RunSettings(const CliContext& context) {
    ArgParser parser = CommandParser(context);
    if (auto status = ParseOptionsOnly(context, parser)) {
        return *status;
    }
    std::string dir = AppDir(parser);
    CreateAppFolders(dir);
    IniFile ini(app_files::SettingsPath(dir));
    if (parser.Has("reset") && !parser.Has("yes") &&
        !Confirmed(context, "Restore the factory defaults in " + ini.Path() + "? ")) {
        return kExitOk;
    }
    if (parser.Has("reset") && !settings::FactoryReset(ini)) {
        std::fprintf(context.err, "quillon7-cli settings: cannot write %s\n", ini.Path().c_str());
        return kExitFailed;
    }
    WarnAboutSettingsFile(ini.Path(), context.err);
    std::fprintf(context.out, "Settings file: %s%s\n", ini.Path().c_str(),
                 ini.Exists() ? "" : " (missing: every value is a default)");
    std::fprintf(context.out, "  %-42s %-18s %-10s %s\n", "[section] key", "stored", "in effect",
                 "why they differ");
    using namespace settings;
    const IntKey* ints[] = {&kRetransmitControl, &kRetransmitData,     &kWaitForResponse,
                            &kDelayAfterFile,    &kLogMessages,        &kLogSerialData,
                            &kShowUploadTiming,  &kTamarackLine,       &kLoadCommFirst,
                            &kAllowAbort,        &kValidateFiles,      &kShowSerialView,
                            &kPortNumber,        &kBaudRate,           &kIsKx2,
                            &kMaxPacketSize,     &kDelayBetweenPackets};
    for (const IntKey* k : ints) {
        PrintSetting(context.out, k->section, k->key, ExplainSetting(ini, *k));
    }
    const StringKey* strings[] = {&kPortDevice, &kSoundCompleted, &kSoundPostSuccess, &kSoundFailed,
                                  &kFileComm,   &kFileReader,     &kFileSpeech};
    for (const StringKey* k : strings) {
        SettingEffect effect = ExplainSetting(ini, *k);
        effect.inEffect = "\"" + effect.inEffect + "\"";
        PrintSetting(context.out, k->section, k->key, effect);
    }
    return kExitOk;
}

}  // namespace quillon::cli
