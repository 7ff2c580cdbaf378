// The progress window's two text panes: the message pane (log lines in their kind's colour with
// a millisecond time stamp) and the serial-data pane (hex lines of the bytes sent and received).
// Texts and byte counts out of range are ignored; the panes grow for the whole run and each
// append costs the same however long they already are.
#pragma once

#include <QTime>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "controls/Rgb.h"

class QWidget;

namespace quillon {

class LogTextPane;

class ProgressPanes {
  public:
    static constexpr std::size_t kMaxLogText = 2048;
    static constexpr std::size_t kMaxBytes = 2048;
    static constexpr std::size_t kMaxReceivedBytes = 300;
    static constexpr std::size_t kMinStampedText = 2;
    static constexpr Rgb kStampColor = Rgb(0x006400);
    static constexpr Rgb kSentColor = Rgb(0x00008B);
    static constexpr Rgb kReceivedColor = Rgb(0x0000FF);

    using TimeSource = std::function<QTime()>;

    explicit ProgressPanes(QWidget* parent, TimeSource now = &QTime::currentTime);

    LogTextPane* Messages() const { return messages_; }
    LogTextPane* Bytes() const { return bytes_; }

    void AppendLogLine(int level, std::string_view text);
    // Sent or received bytes (BytesSent, BytesReceived); nothing while the pane is hidden.
    void AppendBytes(bool sent, std::span<const uint8_t> bytes, bool paneShown);

    void SetAutoScroll(bool messages, bool bytes);
    bool AutoScrollMessages() const { return scrollMessages_; }
    bool AutoScrollBytes() const { return scrollBytes_; }

    // The colour of a log line's kind and whether its lines carry a time stamp.
    static Rgb LevelColor(int level);
    static bool LevelStamped(int level);
    // "HH:MM:SS.mmm  "
    static std::string MessageStamp(const QTime& time);
    // "HH:MM:SS   to HBD: " / "HH:MM:SS from HBD: "
    static std::string BytesHeader(const QTime& time, bool sent);
    // "%02X " per byte, then "\n".
    static std::string HexLine(std::span<const uint8_t> bytes);

  private:
    void Append(LogTextPane& pane, bool autoScroll, Rgb color, std::string_view text);

    LogTextPane* messages_;
    LogTextPane* bytes_;
    TimeSource now_;
    bool scrollMessages_ = false;
    bool scrollBytes_ = false;
};

}  // namespace quillon
