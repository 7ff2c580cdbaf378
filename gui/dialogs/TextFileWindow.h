// The program's own read-only view of a text file (history, settings, a message log), used when
// the desktop has no viewer to open it with. A file that cannot be read shows why, with its path,
// in place of the text.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QPlainTextEdit;

namespace quillon {

class DialogRunner;

class TextFileWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kColumns = 100;
    static constexpr int kLines = 30;

    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit TextFileWindow(const QString& path, QWidget* parent = nullptr);

    // Hands path to the desktop's viewer; when that cannot open it, shows it in this window,
    // modally over parent, so the user always gets to see the file.
    static void OpenOrShow(const QString& path, const UrlOpener& opener, DialogRunner& runner,
                           QWidget* parent);

    QString Path() const { return path_; }
    QPlainTextEdit* TextPane() const { return pane_; }

  private:
    QString path_;
    QPlainTextEdit* pane_;
};

}  // namespace quillon
