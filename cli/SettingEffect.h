// What `quillon7-cli settings` says of a key: the text stored in Quillon.ini, the value an upload
// really uses, and why the two differ ("out of range 45-300: using 60"). Also the check, made by
// every command that reads the settings, for a Quillon.ini that reads as all defaults.
#pragma once

#include <optional>
#include <string>

#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace quillon::cli {

struct SettingEffect {
    std::optional<std::string> stored;  // nullopt: not in the file
    std::string inEffect;
    std::string why;  // empty when the stored text is taken as it is
};

SettingEffect ExplainSetting(const IniFile& ini, const settings::IntKey& key);
SettingEffect ExplainSetting(const IniFile& ini, const settings::StringKey& key);

// Why the file at path reads as all defaults though it is there (cannot be read, not a file,
// too large); nullopt when it reads or is simply absent.
std::optional<std::string> SettingsFileProblem(const std::string& path);

// Says the problem, if any, on err: "quillon7-cli: Quillon.ini ...: every setting is its
// default".
void WarnAboutSettingsFile(const std::string& path, std::FILE* err);

}  // namespace quillon::cli
