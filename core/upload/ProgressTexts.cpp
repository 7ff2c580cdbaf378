#include "upload/ProgressTexts.h"

#include <algorithm>

#include "text/DurationText.h"
#include "text/TextFormat.h"

namespace quillon {

std::string CounterText(int seconds) {
    return FormatText("%02d:%02d", seconds / 60, seconds % 60);
}

int ProgressPercent(int sent, int packets) {
    if (packets <= 0) {
        return 0;
    }
    // Retries and the padded last packet of a SPEECH file can send more than were counted.
    int percent =
        static_cast<int>(std::min<long long>(static_cast<long long>(sent) * 100 / packets, 100));
    return percent == 0 ? 1 : percent;
}

std::string ProgressBarText(const UploadProgress& p) {
    const int left = std::max(p.currentRemaining, 0);
    return FormatText("%s Board: Packet %d of %d (%d%%). ETC: %s", p.currentKindName.c_str(),
                      p.currentPacketsSent, p.currentPackets,
                      ProgressPercent(p.currentPacketsSent, p.currentPackets),
                      DurationText(left).c_str());
}

std::string FileStartBarText(const UploadProgress& p) {
    return FormatText("%s Board: %d packets", p.currentKindName.c_str(), p.currentPackets);
}

std::string DelayBarText(const UploadProgress& p) {
    return FormatText("Delay %d seconds - before next upload", p.delayRemaining);
}

std::string AwaitingConfirmationText(int secondsLeft) {
    return "Waiting for the unit to confirm the upload: " + CounterText(secondsLeft) + " left";
}

}  // namespace quillon
