// Opens a text file in the technician's own editor: the log, the history and the clipboard text
// in whatever the desktop opens such a file with, and the settings file in Notepad on Windows, as
// the program always did there. False when nothing could be started; the callers then show the
// file in the built-in viewer instead.
#pragma once

#include <QUrl>

namespace quillon {

bool OpenInUsersEditor(const QUrl& file);
bool OpenInNotepad(const QUrl& file);

}  // namespace quillon
