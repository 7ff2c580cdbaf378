// The popup menu of the text panes (progress window and serial text view): show the text in the
// desktop's viewer, copy, clear, change the font. The viewer gets a copy of the clipboard text in
// Temp/Clipboard_HHMMSS_MMDDYYYY.txt, opened as a file URL (never through a shell), or shown in
// the program's own text window when the desktop has no viewer. An empty clipboard or a file that
// cannot be written does nothing.
#pragma once

#include <QFont>
#include <QPoint>
#include <QUrl>
#include <functional>
#include <optional>
#include <string>

#include "dialogs/DialogRunner.h"
#include "platform/Clock.h"

class QWidget;

namespace quillon {

class LogTextPane;

class PaneMenu {
  public:
    enum Item : int { kNone = 0, kShowInViewer = 1, kCopy = 2, kClear = 3, kChangeFont = 4 };
    static constexpr const char* kShowText = "Show in Notepad";
    static constexpr const char* kCopyText = "Copy to Clipboard";
    static constexpr const char* kClearText = "Clear Text";
    static constexpr const char* kFontText = "Change Font ...";

    using FontPicker = std::function<std::optional<QFont>(const QFont& current, QWidget* owner)>;
    using UrlOpener = std::function<bool(const QUrl&)>;

    // tempDir: the application's Temp folder (created when needed).
    PaneMenu(std::string tempDir, Clock& clock);

    // Shows the menu at a screen position and returns the item chosen (kNone when dismissed).
    // A queued choice is returned instead, without showing anything.
    int Track(QWidget* owner, const QPoint& globalPos);
    void ChooseNext(int item) { nextChoice_ = item; }

    // Carries out an item on a pane. Returns the new font after a font change, else nullopt.
    std::optional<QFont> Execute(int item, LogTextPane& pane, QWidget* owner);

    // Writes the clipboard's plain text to a new Temp file and opens it (the own text window
    // shown over owner when the desktop cannot); the path, or "".
    std::string ShowClipboardInViewer(QWidget* owner = nullptr);
    static std::string ClipboardFileName(const LocalTime& t);

    void SetFontPicker(FontPicker picker) { fontPicker_ = std::move(picker); }
    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }
    // Who shows the own text window (default: shown modally at once).
    void SetDialogRunner(DialogRunner& runner) { runner_ = &runner; }

  private:
    std::string tempDir_;
    Clock& clock_;
    int nextChoice_ = -1;
    FontPicker fontPicker_;
    UrlOpener urlOpener_;
    DialogRunner ownRunner_;
    DialogRunner* runner_ = &ownRunner_;
};

}  // namespace quillon
