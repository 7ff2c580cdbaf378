#include "cli/SettingEffect.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "program/ArgParser.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "upload/HbdUploader.h"
#include "upload/Kx2Uploader.h"

namespace quillon::cli {

namespace {

using namespace settings;

// What an upload does with a value outside a key's range.
enum class OutsideRange { kDefault, kRefused };

struct RangeRule {
    const IntKey* key;
    int32_t low;
    int32_t high;
    OutsideRange outside;
    int32_t fallback;
};

const RangeRule kRangeRules[] = {
    {&kRetransmitControl, kRetransmitControl.low, kRetransmitControl.high, OutsideRange::kDefault,
     kRetransmitControl.def},
    {&kRetransmitData, kRetransmitData.low, kRetransmitData.high, OutsideRange::kDefault,
     kRetransmitData.def},
    {&kWaitForResponse, kWaitForResponse.low, kWaitForResponse.high, OutsideRange::kDefault,
     kWaitForResponse.def},
    {&kDelayAfterFile, kDelayAfterFile.low, kDelayAfterFile.high, OutsideRange::kDefault,
     kDelayAfterFile.def},
    {&kPortNumber, kPortNumber.low, kPortNumber.high, OutsideRange::kDefault,
     PortName::kMinPortNumber},
    {&kMaxPacketSize, kMaxPacketSize.low, kMaxPacketSize.high, OutsideRange::kRefused, 0},
    {&kDelayBetweenPackets, kDelayBetweenPackets.low, kDelayBetweenPackets.high,
     OutsideRange::kRefused, 0},
};

void AddReason(std::string* why, const std::string& reason) {
    *why += (why->empty() ? "" : "; ") + reason;
}

// The range rule of the key, applied to value; the value in effect.
int32_t ApplyRange(const IntKey& key, int32_t value, std::string* why) {
    if (&key == &kBaudRate) {
        const int rate = SerialPort::LineRate(value);
        if (rate != value) {
            AddReason(why, "no such rate on the line: runs at " + std::to_string(rate));
        }
        return rate;
    }
    for (const RangeRule& rule : kRangeRules) {
        if (rule.key != &key || (value >= rule.low && value <= rule.high)) {
            continue;
        }
        const std::string range = std::to_string(rule.low) + "-" + std::to_string(rule.high);
        if (rule.outside == OutsideRange::kRefused) {
            AddReason(why, "out of range " + range + ": KX2 uploads are refused");
            return value;
        }
        AddReason(why, "out of range " + range + ": using " + std::to_string(rule.fallback));
        return rule.fallback;
    }
    return value;
}

}  // namespace

SettingEffect ExplainSetting(const IniFile& ini, const IntKey& key) {
    SettingEffect effect;
    effect.stored = ini.Find(key.section, key.key);
    int32_t value = key.def;
    if (!effect.stored) {
        effect.why = "not in the file: the default";
    } else {
        value = IniFile::ParseInt(*effect.stored);
        if (!ParseNumber(*effect.stored, INT32_MIN, INT32_MAX)) {
            AddReason(&effect.why,
                      "not a whole number of 32 bits: read as " + std::to_string(value));
        }
    }
    effect.inEffect = std::to_string(ApplyRange(key, value, &effect.why));
    return effect;
}

SettingEffect ExplainSetting(const IniFile& ini, const StringKey& key) {
    SettingEffect effect;
    effect.stored = ini.Find(key.section, key.key);
    effect.inEffect = Read(ini, key);
    if (!effect.stored) {
        effect.why = "not in the file: the default";
    } else if (effect.inEffect != *effect.stored) {
        effect.why = "longer than " + std::to_string(key.maxChars) + " characters: cut";
    }
    return effect;
}

std::optional<std::string> SettingsFileProblem(const std::string& path) {
    const fs::PathInfo info = fs::Inspect(path);
    if (!info.exists) {
        return std::nullopt;
    }
    if (!info.regular) {
        return "is not a file";
    }
    if (info.size > IniFile::kMaxFileSize) {
        return "is larger than " + std::to_string(IniFile::kMaxFileSize) + " bytes";
    }
    std::string content;
    if (fs::ReadRegularFile(path, IniFile::kMaxFileSize, &content) ==
        fs::ReadOutcome::kUnreadable) {
        return "cannot be read";
    }
    return std::nullopt;
}

void WarnAboutSettingsFile(const std::string& path, std::FILE* err) {
    if (auto problem = SettingsFileProblem(path)) {
        std::fprintf(err, "quillon7-cli: %s %s: every setting is its default\n", path.c_str(),
                     problem->c_str());
    }
}

}  // namespace quillon::cli
