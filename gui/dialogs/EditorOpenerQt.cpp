#include <QDesktopServices>

#include "dialogs/EditorOpener.h"

namespace quillon {

bool OpenInUsersEditor(const QUrl& file) {
    return QDesktopServices::openUrl(file);
}

// Only Windows has Notepad; elsewhere the desktop's editor for text files is the nearest thing.
bool OpenInNotepad(const QUrl& file) {
    return OpenInUsersEditor(file);
}

}  // namespace quillon
