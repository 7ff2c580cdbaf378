#include "upload/ProgressTexts.h"

#include <cstdio>

#include "platform/DurationText.h"
#include "records/UploadHistory.h"

namespace quillon {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

}  // namespace

std::string CounterText(int seconds) {
    return Format("%02d:%02d", seconds / 60, seconds % 60);
}

int ProgressPercent(int sent, int packets) {
    if (packets <= 0) {
        return 0;
    }
    int percent = static_cast<int>(static_cast<long long>(sent) * 100 / packets);
    return percent == 0 ? 1 : percent;
}

std::string ProgressBarText(const UploadProgress& p) {
    int left = (p.currentPackets - p.currentPacketsSent) * p.secondsPerPacket;
    return Format("%s Board: Packet %d of %d (%d%%). ETC: %s", p.currentKindName.c_str(),
                  p.currentPacketsSent, p.currentPackets,
                  ProgressPercent(p.currentPacketsSent, p.currentPackets),
                  DurationText(left).c_str());
}

std::string FileStartBarText(const UploadProgress& p) {
    return Format("%s Board: %d packets", p.currentKindName.c_str(), p.currentPackets);
}

std::string DelayBarText(const UploadProgress& p) {
    return Format("Delay %d seconds - before next upload", p.delayRemaining);
}

}  // namespace quillon
