#include <windows.h>
// windows.h first: mmsystem.h needs its types.
#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "dialogs/WavOutput.h"
#include "firmware/WavFile.h"
#include "platform/WideText.h"

namespace quillon {

// A file whose header cannot be read is handed to the system all the same, without
// SND_NODEFAULT: what it cannot play it replaces with its default sound, so a broken setting is
// heard as a different sound rather than as silence. A readable one plays for the length its
// header gives, at most kMaxPlayMs, and is then stopped.
void WavOutput::operator()(const std::string& path) const {
    const std::wstring widePath = WidePath(path);
    const std::optional<uint32_t> ms = WavDurationMs(path);
    if (!ms) {
        PlaySoundW(widePath.c_str(), nullptr, SND_FILENAME | SND_SYNC);
        return;
    }
    if (!PlaySoundW(widePath.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT)) {
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(*ms, kMaxPlayMs)));
    PlaySoundW(nullptr, nullptr, 0);
}

}  // namespace quillon
