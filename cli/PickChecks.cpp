#include "cli/PickChecks.h"

#include "firmware/FileChecks.h"
#include "firmware/FileKind.h"

namespace quillon::cli {

FileSelection SelectedFiles(const ArgParser& parser, bool kx2) {
    FileSelection files;
    files.comm = kx2 ? parser.Value("kx") : parser.Value("comm");
    files.reader = parser.Value("reader");
    files.speech = parser.Value("speech");
    return files;
}

bool CheckPicks(const FileSelection& files, bool kx2, bool validate,
                std::vector<TamarackFinding>* tamarack, ErrorReporter& errors) {
    struct Pick {
        const std::optional<std::string>& path;
        int kind;
        int32_t (*validateFile)(const std::string&, bool, ErrorReporter&);
    };
    const Pick picks[] = {{files.comm, kKindComm, ValidateCommFile},
                          {files.reader, kKindReader, ValidateReaderFile},
                          {files.speech, kKindSpeech, ValidateSpeechFile}};
    for (const Pick& pick : picks) {
        if (!pick.path) {
            continue;
        }
        if (!CheckProgramFileExtension(*pick.path, kx2, errors)) {
            return false;
        }
        if (kx2) {
            continue;  // the .kx file is checked at start only
        }
        if (pick.validateFile(*pick.path, validate, errors) == kFileRejected) {
            return false;
        }
        if (pick.kind != kKindSpeech) {
            tamarack->push_back({SearchTamarackMarker(*pick.path, pick.kind)});
        }
    }
    return true;
}

}  // namespace quillon::cli
