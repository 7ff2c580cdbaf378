#include "settings/SettingsKeys.h"

#include <initializer_list>

#include "settings/IniDocument.h"

namespace quillon::settings {

namespace {

struct Entry {
    const IntKey& key;
    int32_t value;
};

std::string Compose(std::initializer_list<Entry> entries) {
    IniDocument doc;
    for (const Entry& e : entries) {
        doc.Set(e.key.section, e.key.key, std::to_string(e.value));
    }
    return doc.Text();
}

}  // namespace

bool CreateDefaultFile(IniFile& ini) {
    if (ini.Exists()) {
        return false;
    }
    std::string text = Compose({{kRetransmitControl, 4},
                                {kRetransmitData, 1},
                                {kWaitForResponse, 6},
                                {kDelayAfterFile, 60},
                                {kLogMessages, 1},
                                {kLogSerialData, 0},
                                {kValidateFiles, 1},
                                {kLoadCommFirst, 1},
                                {kShowSerialView, 0},
                                {kShowUploadTiming, 0},
                                {kAllowAbort, 0},
                                {kTamarackLine, 0}});
    return ini.ReplaceWith(text);
}

bool FactoryReset(IniFile& ini) {
    std::string text = Compose({{kRetransmitControl, 4},
                                {kRetransmitData, 1},
                                {kWaitForResponse, 6},
                                {kDelayAfterFile, 60},
                                {kLogMessages, 1},
                                {kLogSerialData, 0},
                                {kValidateFiles, 1},
                                {kShowSerialView, 0},
                                {kLoadCommFirst, 1},
                                {kShowUploadTiming, 0},
                                {kTamarackLine, 0}});
    return ini.ReplaceWith(text);
}

}  // namespace quillon::settings
