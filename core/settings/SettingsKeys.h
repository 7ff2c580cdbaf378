// The one table of Quillon.ini: every section and key with its type, the default a missing key
// reads as, the value the default file writes and the range a run accepts; the default file
// written at first start and the factory reset are composed from it. Readers take values from
// the file when they need them.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "settings/IniFile.h"

namespace quillon::settings {

struct IntKey {
    const char* section;
    const char* key;
    int32_t def;      // what a missing key reads as; also what an out-of-range value becomes
    int32_t low = 0;  // the range a run accepts
    int32_t high = 1;
    int32_t written = def;  // the value the default file and the factory reset write

    bool InRange(int32_t value) const { return value >= low && value <= high; }
    // The value a run works with: the stored one, or the default when out of range.
    int32_t InEffect(int32_t value) const { return InRange(value) ? value : def; }
};
struct StringKey {
    const char* section;
    const char* key;
    size_t maxChars;  // read limit
};

inline constexpr IntKey kRetransmitControl{"HBD Params", "Retransmit Control Packets", 4, 1, 10};
inline constexpr IntKey kRetransmitData{"HBD Params", "Retransmit Data Packets", 1, 1, 6};
inline constexpr IntKey kWaitForResponse{"HBD Params", "Wait for HBD Response", 6, 4, 12};
inline constexpr IntKey kDelayAfterFile{"HBD Params", "Delay after File Upload", 60, 45, 300};
inline constexpr IntKey kLogMessages{"Logs", "Log Messages", 1};
inline constexpr IntKey kLogSerialData{"Logs", "Log Serial Data", 0};
// Read as on when missing, but the default file writes it off.
inline constexpr IntKey kShowUploadTiming{"MISC", "Show Upload Timing", 1, 0, 1, 0};
inline constexpr IntKey kTamarackLine{"MISC", "Tamarack Line", 0};
inline constexpr IntKey kLoadCommFirst{"Load Files", "Load COMM First", 1};
inline constexpr IntKey kAllowAbort{"Load Files", "Allow Abort", 0};
inline constexpr IntKey kValidateFiles{"Validate", "Validate Files", 1};
inline constexpr IntKey kShowSerialView{"Views", "Show Serial View", 0};
inline constexpr IntKey kPortNumber{"Serial Port", "Port Number", 1, 1, 256};
// Any rate is stored; the port layer says which ones a line can run at.
inline constexpr IntKey kBaudRate{"Serial Port", "Baud Rate", 19200, 0,
                                  std::numeric_limits<int32_t>::max()};
inline constexpr IntKey kIsKx2{"KX2", "Is KX2", 1};
// A frame is the packet's data plus 10 bytes of framing, at most 4096 in all.
inline constexpr IntKey kMaxPacketSize{"KX2", "Max Packet Size", 1024, 11, 4096};
inline constexpr IntKey kDelayBetweenPackets{"KX2", "Delay Between Packets", 150, 0, 0xFFFF};

// Device path chosen for the port number (our addition: a port number alone does not name a
// device on every system). Empty: the default device for the number.
inline constexpr StringKey kPortDevice{"Serial Port", "Device", 255};
inline constexpr StringKey kSoundCompleted{"Sounds", "Uploads Completed", 79};
inline constexpr StringKey kSoundPostSuccess{"Sounds", "Post Successful Upload", 79};
inline constexpr StringKey kSoundFailed{"Sounds", "Failed Upload", 79};
inline constexpr StringKey kFileComm{"File Names", "Comm", 257};
inline constexpr StringKey kFileReader{"File Names", "Reader", 257};
inline constexpr StringKey kFileSpeech{"File Names", "Speech", 257};

inline int32_t Read(const IniFile& ini, const IntKey& k) {
    return ini.GetInt(k.section, k.key, k.def);
}
inline bool ReadBool(const IniFile& ini, const IntKey& k) {
    return Read(ini, k) != 0;
}
inline std::string Read(const IniFile& ini, const StringKey& k) {
    return ini.GetString(k.section, k.key, "", k.maxChars);
}
inline bool Write(IniFile& ini, const IntKey& k, int32_t value) {
    return ini.WriteInt(k.section, k.key, value);
}
inline bool Write(IniFile& ini, const StringKey& k, const std::string& value) {
    return ini.WriteString(k.section, k.key, value);
}

// Writes the default keys when the file cannot be opened for reading; true only when it did.
bool CreateDefaultFile(IniFile& ini);
// Empties the file, then writes the factory keys; false when the file could not be made.
bool FactoryReset(IniFile& ini);
// What the key reads as right after FactoryReset: the value it writes, or the default of a key
// it leaves out. Lets a dialog show the factory settings before anything is written.
int32_t FactoryValue(const IntKey& key);

}  // namespace quillon::settings
