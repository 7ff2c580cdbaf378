#include <windows.h>
// windows.h first: mmsystem.h needs its types.
#include <mmsystem.h>

#include <optional>

#include "dialogs/SystemSoundPreview.h"
#include "firmware/WavFile.h"
#include "platform/WideText.h"

namespace quillon {

void PlayDefaultSound() {
    PlaySoundW(L"SystemDefault", nullptr, SND_ALIAS | SND_SYNC);
}

// A file the system cannot play gets its default sound instead: a test press on a broken file is
// never mistaken for a working one.
bool SystemSoundPreview::PlayAndWait(const std::string& path) {
    const std::wstring widePath = WidePath(path);
    const std::optional<uint32_t> duration = WavDurationMs(path);
    if (!duration ||
        !PlaySoundW(widePath.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT)) {
        defaultSound_();
        return false;
    }
    WaitWhilePainting(static_cast<int>(*duration));
    PlaySoundW(nullptr, nullptr, 0);
    return true;
}

}  // namespace quillon
