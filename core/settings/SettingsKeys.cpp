#include "settings/SettingsKeys.h"

#include <string_view>

#include "platform/LineEnds.h"
#include "settings/IniDocument.h"

namespace quillon::settings {

namespace {

// The keys of the default file and of the factory reset, in the order they are written.
const IntKey* const kDefaultFileKeys[] = {&kRetransmitControl, &kRetransmitData, &kWaitForResponse,
                                          &kDelayAfterFile,    &kLogMessages,    &kLogSerialData,
                                          &kValidateFiles,     &kLoadCommFirst,  &kShowSerialView,
                                          &kShowUploadTiming,  &kAllowAbort,     &kTamarackLine};
const IntKey* const kFactoryResetKeys[] = {&kRetransmitControl, &kRetransmitData, &kWaitForResponse,
                                           &kDelayAfterFile,    &kLogMessages,    &kLogSerialData,
                                           &kValidateFiles,     &kShowSerialView, &kLoadCommFirst,
                                           &kShowUploadTiming,  &kTamarackLine};

template <size_t N>
std::string Compose(const IntKey* const (&keys)[N], std::string_view eol) {
    IniDocument doc = IniDocument::WithLineEnd(eol);
    for (const IntKey* key : keys) {
        doc.Set(key->section, key->key, std::to_string(key->written));
    }
    return doc.Text();
}

}  // namespace

bool CreateDefaultFile(IniFile& ini) {
    if (ini.Exists()) {
        return false;
    }
    return ini.ReplaceWith(Compose(kDefaultFileKeys, kNativeLineEnd));
}

bool FactoryReset(IniFile& ini) {
    return ini.ReplaceWith(Compose(kFactoryResetKeys, ini.LineEnd()));
}

int32_t FactoryValue(const IntKey& key) {
    for (const IntKey* written : kFactoryResetKeys) {
        if (std::string_view(written->section) == key.section &&
            std::string_view(written->key) == key.key) {
            return written->written;
        }
    }
    return key.def;
}

}  // namespace quillon::settings
