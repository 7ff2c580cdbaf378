#include "dialogs/ProgressPanes.h"

#include <QTextCursor>
#include <array>
#include <cstdio>

#include "controls/LogTextPane.h"
#include "text/TextFormat.h"

namespace quillon {

namespace {

constexpr Rgb kDarkRed = Rgb(0x800000);
constexpr Rgb kDarkBlue = Rgb(0x00008B);
constexpr Rgb kBlack = Rgb(0x000000);
constexpr Rgb kDarkGreen = Rgb(0x006400);
constexpr Rgb kBlue = Rgb(0x0000FF);
constexpr Rgb kPurple = Rgb(0x800080);
constexpr int kUnstampedLevel = 6;
constexpr std::array<Rgb, 7> kLevelColors{kDarkRed,  kDarkBlue, kBlack, kDarkGreen,
                                          kDarkBlue, kBlue,     kPurple};

LogTextPane* MakePane(QWidget* parent) {
    auto* pane = new LogTextPane(parent);
    pane->setReadOnly(true);
    // Read-only, yet the keys that move through a text (Ctrl+End, Page Down) work.
    pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pane->setLineWrapMode(QTextEdit::NoWrap);
    // A run's panes hold megabytes; an undo history of every append would double that and
    // slow each append down.
    pane->document()->setUndoRedoEnabled(false);
    return pane;
}

}  // namespace

ProgressPanes::ProgressPanes(QWidget* parent, TimeSource now)
    : messages_(MakePane(parent)), bytes_(MakePane(parent)), now_(std::move(now)) {}

Rgb ProgressPanes::LevelColor(int level) {
    if (level < 0 || level >= static_cast<int>(kLevelColors.size())) {
        return kBlack;
    }
    return kLevelColors[static_cast<std::size_t>(level)];
}

bool ProgressPanes::LevelStamped(int level) {
    return level != kUnstampedLevel;
}

std::string ProgressPanes::MessageStamp(const QTime& time) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d  ", time.hour(), time.minute(),
                  time.second(), time.msec());
    return buffer;
}

std::string ProgressPanes::BytesHeader(const QTime& time, bool sent) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d %s HBD: ", time.hour(), time.minute(),
                  time.second(), sent ? "  to" : "from");
    return buffer;
}

std::string ProgressPanes::HexLine(std::span<const uint8_t> bytes) {
    return HexBytes(bytes, " ") + "\n";
}

void ProgressPanes::SetAutoScroll(bool messages, bool bytes) {
    scrollMessages_ = messages;
    scrollBytes_ = bytes;
}

void ProgressPanes::Append(LogTextPane& pane, bool autoScroll, Rgb color, std::string_view text) {
    if (text.empty()) {
        return;
    }
    pane.AppendText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())),
                    ToQColor(color));
    if (autoScroll) {
        // The caret just before the last character: the pane shows its end.
        QTextCursor caret(pane.document());
        caret.movePosition(QTextCursor::End);
        caret.movePosition(QTextCursor::PreviousCharacter);
        pane.setTextCursor(caret);
        pane.ensureCursorVisible();
    }
}

void ProgressPanes::AppendLogLine(int level, std::string_view text) {
    if (text.empty() || text.size() > kMaxLogText) {
        return;
    }
    if (LevelStamped(level) && text.size() >= kMinStampedText) {
        Append(*messages_, scrollMessages_, kStampColor, MessageStamp(now_()));
    }
    Append(*messages_, scrollMessages_, LevelColor(level), text);
}

void ProgressPanes::AppendBytes(bool sent, std::span<const uint8_t> bytes, bool paneShown) {
    if (!paneShown || bytes.data() == nullptr || bytes.empty() || bytes.size() > kMaxBytes) {
        return;
    }
    if (!sent && bytes.size() > kMaxReceivedBytes) {
        bytes = bytes.first(kMaxReceivedBytes);
    }
    Append(*bytes_, scrollBytes_, kStampColor, BytesHeader(now_(), sent));
    Append(*bytes_, scrollBytes_, sent ? kSentColor : kReceivedColor, HexLine(bytes));
}

}  // namespace quillon
