#include "dialogs/PaneMenu.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMenu>
#include <cstdio>

#include "controls/LogTextPane.h"
#include "dialogs/EditorOpener.h"
#include "dialogs/TextFileWindow.h"

namespace quillon {

namespace {

std::optional<QFont> PickFont(const QFont& current, QWidget* owner) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, current, owner);
    return ok ? std::optional<QFont>(chosen) : std::nullopt;
}

}  // namespace

PaneMenu::PaneMenu(std::string tempDir, Clock& clock)
    : tempDir_(std::move(tempDir)),
      clock_(clock),
      fontPicker_(&PickFont),
      urlOpener_(&OpenInUsersEditor) {}

int PaneMenu::Track(QWidget* owner, const QPoint& globalPos) {
    if (nextChoice_ >= 0) {
        const int choice = nextChoice_;
        nextChoice_ = -1;
        return choice;
    }
    QMenu menu(owner);
    menu.addAction(QString::fromLatin1(kShowText))->setData(kShowInViewer);
    menu.addAction(QString::fromLatin1(kCopyText))->setData(kCopy);
    menu.addSeparator();
    menu.addAction(QString::fromLatin1(kClearText))->setData(kClear);
    menu.addSeparator();
    menu.addAction(QString::fromLatin1(kFontText))->setData(kChangeFont);
    QAction* chosen = menu.exec(globalPos);
    return chosen != nullptr ? chosen->data().toInt() : kNone;
}

std::optional<QFont> PaneMenu::Execute(int item, LogTextPane& pane, QWidget* owner) {
    switch (item) {
        case kShowInViewer:
            pane.selectAll();
            pane.copy();
            ShowClipboardInViewer(owner);
            return std::nullopt;
        case kCopy:
            pane.selectAll();
            pane.copy();
            return std::nullopt;
        case kClear:
            pane.clear();
            return std::nullopt;
        case kChangeFont: {
            std::optional<QFont> chosen = fontPicker_(pane.font(), owner);
            if (chosen) {
                pane.setFont(*chosen);
            }
            return chosen;
        }
        default:
            return std::nullopt;
    }
}

std::string PaneMenu::ClipboardFileName(const LocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "Clipboard_%02d%02d%02d_%02d%02d%4d.txt", t.hour, t.minute,
                  t.second, t.month, t.day, t.year);
    return name;
}

std::string PaneMenu::ShowClipboardInViewer(QWidget* owner) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = clipboard != nullptr ? clipboard->text() : QString();
    if (text.isEmpty()) {
        return {};
    }
    QDir().mkpath(QString::fromStdString(tempDir_));
    const std::string path = tempDir_ + "/" + ClipboardFileName(clock_.Now());
    QFile file(QString::fromStdString(path));
    const QByteArray bytes = text.toLatin1();
    if (!file.open(QIODevice::Append) || file.write(bytes) != bytes.size()) {
        return {};
    }
    file.close();
    TextFileWindow::OpenOrShow(QString::fromStdString(path), urlOpener_, *runner_, owner);
    return path;
}

}  // namespace quillon
