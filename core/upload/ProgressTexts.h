// The texts every view of a run shows from a progress record: the counter, the bar line and the
// percentage. Shared by the progress window and the command line so both read the same.
#pragma once

#include <string>

#include "upload/UploadProgress.h"

namespace quillon {

// "%02d:%02d" of minutes and seconds.
std::string CounterText(int seconds);
// packets sent x 100 / packets (integer), raised to 1 when it comes out 0 and held at 100; 0 for
// no packets.
int ProgressPercent(int sent, int packets);
// "COMM Board: Packet 5 of 480 (1%). ETC: 7 min  55 sec"
std::string ProgressBarText(const UploadProgress& p);
// "COMM Board: 480 packets"
std::string FileStartBarText(const UploadProgress& p);
// "Delay 55 seconds - before next upload"
std::string DelayBarText(const UploadProgress& p);
// "Waiting for the unit to confirm the upload: 01:58 left" (KX2, after the last packet)
std::string AwaitingConfirmationText(int secondsLeft);

}  // namespace quillon
