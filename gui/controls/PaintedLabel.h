// A coloured text label: text and background colours, and optional blinking of the text
// between two colours on a timer.
#pragma once

#include <QColor>
#include <QLabel>
#include <QTimer>
#include <array>

#include "controls/FormattedText.h"

namespace quillon {

class PaintedLabel : public QLabel, public FormattedText {
    Q_OBJECT

  public:
    static constexpr std::size_t kTextLimit = 1020;

    explicit PaintedLabel(QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    void SetBackgroundColor(const QColor& color);
    void SetStaticFont(int height, int weight, const QString& face);
    // With word wrap on, lines may also break inside a word: for paths, which have no spaces.
    void SetWrapAnywhere(bool on) { wrapAnywhere_ = on; }
    bool WrapsAnywhere() const { return wrapAnywhere_; }
    // A single-line text too wide for the label is drawn cut with an ellipsis there; text()
    // keeps it whole.
    void SetElideMode(Qt::TextElideMode mode);
    // The text as drawn.
    QString ShownText() const;

    // Blinking between two colours; the first tick after the start shows the second colour.
    void StartTextBlink(const QColor& first, const QColor& second, int intervalMs);
    void StopTextBlink();
    bool IsBlinking() const { return textBlink_; }

    QColor CurrentTextColor() const;

  public slots:
    // One blink step: switch to the other blink colour and repaint.
    void OnBlinkTick();

  protected:
    void ShowText(const QString& text) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    Qt::TextElideMode elide_ = Qt::ElideNone;
    QColor textColor_;
    QColor backgroundColor_;
    std::array<QColor, 2> textBlinkColors_;
    int textBlinkIndex_ = 0;
    bool textBlink_ = false;
    bool wrapAnywhere_ = false;
    QTimer blinkTimer_;
};

}  // namespace quillon
