#include "upload/ImageEstimate.h"

#include "firmware/Kx2Limits.h"
#include "settings/SettingsKeys.h"
#include "upload/HbdUploader.h"
#include "upload/Kx2Uploader.h"

namespace quillon {

ImageEstimate EstimateImage(uint64_t fileLength, FileKind kind, bool kx2, const IniFile& ini,
                            int baudRate) {
    if (kx2) {
        const int32_t packetSize = settings::Read(ini, settings::kMaxPacketSize);
        const uint64_t packets = Kx2PacketsFor(fileLength, packetSize);
        return {static_cast<int64_t>(packets),
                Kx2Uploader::EstimateFor(packets, packetSize,
                                         settings::Read(ini, settings::kDelayBetweenPackets),
                                         baudRate)};
    }
    return {HbdUploader::AnnouncedPackets(fileLength, kind),
            HbdUploader::EstimateSeconds(fileLength, kind, baudRate)};
}

}  // namespace quillon
