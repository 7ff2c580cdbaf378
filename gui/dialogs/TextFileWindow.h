// The program's own window on a text file (history, settings, a message log), used when the
// desktop has no viewer to open it with. Read-only, unless it is given a way to save: then the
// text can be edited and "Save" hands it back to be written. A file that cannot be read shows
// why, with its path, in place of the text, and cannot be saved over.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quillon {

class DialogRunner;

class TextFileWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kColumns = 100;
    static constexpr int kLines = 30;

    using UrlOpener = std::function<bool(const QUrl&)>;
    // Writes the edited text (lines ending in "\n"); false when the file was left as it was.
    using Saver = std::function<bool(const QString& text)>;

    explicit TextFileWindow(const QString& path, QWidget* parent = nullptr, Saver saver = {});

    // Hands path to the desktop's viewer; when that cannot open it, shows it in this window,
    // modally over parent, so the user always gets to see the file (and, given a saver, edit it).
    static void OpenOrShow(const QString& path, const UrlOpener& opener, DialogRunner& runner,
                           QWidget* parent, Saver saver = {});

    QString Path() const { return path_; }
    QPlainTextEdit* TextPane() const { return pane_; }
    QPushButton* SaveButton() const { return save_; }  // none when read-only
    QLabel* StatusLine() const { return status_; }

  private:
    void Save();

    QString path_;
    QPlainTextEdit* pane_;
    Saver saver_;
    QPushButton* save_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace quillon
