// quillon7-cli samples: writes the sample firmware files into a folder, for a first try without
// real firmware. Nothing is overwritten without --force.
#include "cli/CliContext.h"
#include "firmware/SampleFirmware.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "program/ArgParser.h"

namespace quillon::cli {

int RunSamples(const CliContext& context) {
    ArgParser parser = CommandParser(context);
    if (auto status = ParseOptionsOnly(context, parser)) {
        return *status;
    }
    if (parser.Positional().empty()) {
        std::fprintf(context.err, "quillon7-cli samples: give one folder\n");
        return kExitUsage;
    }
    const std::string dir = NativePath(parser.Positional()[0]);
    if (!parser.Has("force")) {
        for (SampleKind kind :
             {SampleKind::kComm, SampleKind::kReader, SampleKind::kSpeech, SampleKind::kKx2}) {
            const std::string path = JoinPath(dir, DefaultSampleName(kind));
            if (fs::EntryExists(path)) {
                std::fprintf(context.err,
                             "quillon7-cli samples: %s is there already; nothing written "
                             "(--force overwrites)\n",
                             path.c_str());
                return kExitFailed;
            }
        }
    }
    std::vector<std::string> written;
    std::string error;
    if (!WriteSampleFiles(dir, &written, &error)) {
        std::fprintf(context.err, "quillon7-cli samples: %s\n", error.c_str());
        return kExitFailed;
    }
    for (const std::string& path : written) {
        std::fprintf(context.out, "%s\n", path.c_str());
    }
    return kExitOk;
}

}  // namespace quillon::cli
