// A seven-segment numeric display: lit and unlit segments, colons and full stops, optional
// left padding to a fixed width and a value bar below the digits. The value is clamped to its
// range on every change, so no input (including steps far past the ends) leaves it outside.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "controls/FormattedText.h"
#include "controls/GradientBar.h"

namespace quillon {

class SevenSegmentCounter : public QWidget, public FormattedText {
    Q_OBJECT

  public:
    enum class Mode { kInteger, kFixedPoint };
    enum SegmentBit : std::uint8_t {
        kSegTop = 0x80,
        kSegUpperRight = 0x40,
        kSegLowerRight = 0x20,
        kSegBottom = 0x10,
        kSegLowerLeft = 0x08,
        kSegUpperLeft = 0x04,
        kSegMiddle = 0x02
    };
    static constexpr std::size_t kTextLimit = 2046;
    static constexpr const char* kDefaultText = "12:34";

    struct Geometry {
        int thickness = 1;
        int digitWidth = 1;
        int top = 0;                   // top of the digit cells
        int digitHeight = 1;           // height of the digit cells
        int firstX = 0;                // left of the first character
        qsizetype measuredLength = 0;  // characters the geometry was fitted to
    };

    explicit SevenSegmentCounter(QWidget* parent = nullptr);

    void SetRange(float minimum, float maximum);
    void SetMode(Mode mode);
    void SetValue(float value);
    float Value() const { return value_; }
    void Increase();
    void Decrease();

    void SetDisplayText(const QString& text);
    QString Text() const { return text_; }

    void SetColors(const QColor& foreground, const QColor& background);
    void SetDrawUnlit(bool on);
    void SetShowBar(bool on);
    void SetFixedWidth(int characters);

    QColor ForegroundColor() const { return foreground_; }
    QColor UnlitColor() const;

    // The display text as painted: padded on the left with spaces to the fixed width.
    QString PaddedText() const;
    // Segment pattern of a character (0 for characters without segments).
    static std::uint8_t SegmentPattern(QChar character);
    // Geometry for the current size; x positions of each character of PaddedText().
    Geometry CurrentGeometry() const;
    QList<int> CharacterPositions() const;
    // Where one segment of a digit cell starting at x is drawn.
    static QRect SegmentRect(SegmentBit segment, int x, const Geometry& geometry);
    int BarHeight() const;

  protected:
    void ShowText(const QString& text) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ChangeValue(double delta);
    void Redisplay();
    void PaintDigits(QPainter& painter, const Geometry& geometry) const;
    void PaintCharacter(QPainter& painter, QChar character, int x, const Geometry& geometry,
                        const QColor& color) const;
    void PaintBar(QPainter& painter, const QRect& strip) const;

    float value_ = 0.0f;
    float minimum_ = 0.0f;
    float maximum_ = 100.0f;
    Mode mode_ = Mode::kInteger;
    QString text_ = QString::fromLatin1(kDefaultText);
    QColor foreground_ = Qt::green;
    QColor background_ = Qt::black;
    std::optional<QColor> off_;
    bool drawUnlit_ = true;
    bool showBar_ = false;
    int fixedWidth_ = 0;
    mutable std::optional<Geometry> geometry_;
    GradientBar bar_;
};

}  // namespace quillon
