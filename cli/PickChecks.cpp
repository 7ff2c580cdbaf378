#include "cli/PickChecks.h"

#include "firmware/FileChecks.h"
#include "firmware/FileKind.h"
#include "platform/PathText.h"

namespace quillon::cli {

FileSelection SelectedFiles(const ArgParser& parser, bool kx2) {
    // Written and remembered the way the platform writes paths.
    auto path = [&parser](const char* option) {
        std::optional<std::string> value = parser.Value(option);
        return value ? std::optional(NativePath(*value)) : std::nullopt;
    };
    FileSelection files;
    files.comm = path(kx2 ? "kx" : "comm");
    files.reader = path("reader");
    files.speech = path("speech");
    return files;
}

std::optional<CheckedFiles> CheckGivenFiles(const FileSelection& files, bool kx2, bool validate,
                                            const IniFile& ini, ErrorReporter& errors,
                                            bool reportEvery) {
    bool extensionsPass = true;
    for (const auto* path : {&files.comm, &files.reader, &files.speech}) {
        if (*path && (extensionsPass || reportEvery)) {
            extensionsPass = CheckProgramFileExtension(**path, kx2, errors) && extensionsPass;
        }
    }
    if (!extensionsPass && !reportEvery) {
        return std::nullopt;
    }
    std::optional<StartImages> images =
        CheckStartSelection(files, kx2, validate, ini, errors, reportEvery);
    if (!images || !extensionsPass) {
        return std::nullopt;
    }
    CheckedFiles checked{*images, {}};
    if (!kx2) {
        // In the order the desktop's picks would make them: the last one decides the setting.
        for (const auto& [image, kind] :
             {std::pair{images->comm, kKindComm}, std::pair{images->reader, kKindReader}}) {
            if (image) {
                checked.tamarackFound.push_back(ImageHasTamarackMarker(*image, kind));
            }
        }
    }
    return checked;
}

}  // namespace quillon::cli
