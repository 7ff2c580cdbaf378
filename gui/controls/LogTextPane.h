// The text pane of the progress and terminal windows: appends coloured text at the end at a cost
// that does not grow with the text, keeps its end in view (unless scrolled up), reports right
// presses (1544) so its owner can show its own menu, and while forwarding is on hands typed
// characters (1545) to its owner instead of inserting them.
#pragma once

#include <QColor>
#include <QTextEdit>

namespace quillon {

class LogTextPane : public QTextEdit {
    Q_OBJECT

  public:
    explicit LogTextPane(QWidget* parent = nullptr);

    void SetForwardCharacters(bool on) { forwardCharacters_ = on; }
    bool ForwardsCharacters() const { return forwardCharacters_; }

    // Appends text at the end (no line break added) in the given colour.
    void AppendText(const QString& text, const QColor& color);
    void AppendText(const QString& text);

  signals:
    // Notification 1544, after the default handling of the press.
    void rightButtonPressed(quillon::LogTextPane* pane);
    // Notification 1545: one typed character and the key's native scan code and repeat flag.
    void characterTyped(QChar character, int keyData);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool forwardCharacters_ = false;
    bool atEnd_ = true;  // the view shows the last line
};

}  // namespace quillon
