#include "controls/LogTextPane.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace quillon {

namespace {
constexpr int kScanCodeShift = 16;
constexpr unsigned kScanCodeMask = 0xFF;
constexpr int kRepeatFlag = 1 << 30;
}  // namespace

LogTextPane::LogTextPane(QWidget* parent) : QTextEdit(parent) {
    // The owner shows its own menu on the right press; the built-in one would cover it.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAcceptRichText(false);
    // The pane keeps its end in view as text arrives, unless the user has scrolled up to read:
    // whatever moves the view (wheel, bar, keys, a resize) says whether it is at the end, and
    // text that grows the range leaves the value where it was.
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { atEnd_ = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (atEnd_) {
            bar->setValue(maximum);
        }
    });
}

void LogTextPane::AppendText(const QString& text, const QColor& color) {
    // A cursor of our own at the end: never re-sets the whole text, and leaves the user's
    // selection where it is.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(color);
    cursor.insertText(text, format);
}

void LogTextPane::AppendText(const QString& text) {
    AppendText(text, palette().color(QPalette::Text));
}

void LogTextPane::mousePressEvent(QMouseEvent* event) {
    QTextEdit::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        emit rightButtonPressed(this);
    }
}

void LogTextPane::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (!forwardCharacters_ || typed.isEmpty()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const int keyData =
        (static_cast<int>(event->nativeScanCode() & kScanCodeMask) << kScanCodeShift) |
        (event->isAutoRepeat() ? kRepeatFlag : 0);
    for (QChar character : typed) {
        emit characterTyped(character, keyData);
    }
    event->accept();
}

}  // namespace quillon
