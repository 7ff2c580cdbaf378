// The owner-drawn push button of every window: state colours, pictures, flat/3D looks, gradient
// and progress drawing. A flat button lights up while the mouse is over it; right presses are
// reported as a signal. A picture that cannot be used leaves the button without it and reports
// false; nothing it is given can make it fail to paint.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <array>

#include "controls/ButtonImage.h"
#include "controls/FormattedText.h"
#include "controls/Rgb.h"

namespace quillon {

class PaintedButton : public QAbstractButton, public FormattedText {
    Q_OBJECT

  public:
    enum ColorIndex {
        kBackgroundIn,
        kForegroundIn,
        kBackgroundOut,
        kForegroundOut,
        kBackgroundFocus,
        kForegroundFocus,
        kColorCount
    };
    enum class ImagePlacement { kLeftOfText, kAboveText, kRightOfText };
    enum class DrawMode { kNormal, kGradient, kProgress };
    enum TextAlignment : int {
        kSingleLeft = 0,
        kSingleCentered = 1,
        kSingleRight = 2,
        kMultiLeft = 3,
        kMultiCentered = 4
    };

    static constexpr Rgb kDefaultTextColor = Rgb(0xFFFF00);
    static constexpr Rgb kDefaultGradientBorderColor = Rgb(0x800000);
    static constexpr Rgb kProgressUpperColor = Rgb(0xFDDD39);
    static constexpr Rgb kProgressLowerColor = Rgb(0x90EE90);
    static constexpr Rgb kProgressFrameColor = Rgb(0x008000);
    static constexpr int kProgressFrameWidth = 3;
    static constexpr int kImageMarginX = 3;
    static constexpr int kImageMarginY = 3;
    static constexpr int kTextMargin = 10;
    static constexpr int kMultiLineTopOffset = 5;
    static constexpr int kFocusInset = 3;
    static constexpr std::size_t kTextLimit = 1023;
    static constexpr const char* kFontFace = "Verdana";

    explicit PaintedButton(QWidget* parent = nullptr);
    ~PaintedButton() override;

    void SetColor(ColorIndex index, const QColor& color);
    QColor Color(ColorIndex index) const { return colors_.at(index); }
    // The same colour for the in, out and focus states of background or text.
    void SetBackgroundColors(const QColor& in, const QColor& out, const QColor& focus);
    void SetTextColors(const QColor& in, const QColor& out, const QColor& focus);

    void SetFlat(bool flat);
    void SetDrawBorder(bool on);
    // Also draws the focus rectangle in gradient mode, which otherwise never shows it.
    void SetDrawFocusWhenFlat(bool on);
    void SetTransparent(bool on);
    void SetDefaultButton(bool on);

    // outSentinel is ButtonImage::kOutGrey or kOutDarker.
    bool SetBitmaps(const QImage& in, const QColor& inTransparent, int outSentinel);
    bool SetBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out,
                    const QColor& outTransparent);
    void SetImagePlacement(ImagePlacement placement);

    void SetTextAlignment(int mode);
    void SetButtonFont(int height, int weight);
    // The platform's pointing-hand cursor over the button.
    bool SetHandCursor();

    void SetGradientMode(const QColor& first, const QColor& second, bool vertical);
    void SetGradientBorder(int width, const QColor& color = ToQColor(kDefaultGradientBorderColor));
    void SetProgressMode(int maximum, int position);
    DrawMode Mode() const { return mode_; }
    // Whether the next paint in progress mode frames the bar.
    bool BlinkFrameNext() const { return blink_; }

    QSize sizeHint() const override;

  signals:
    // After the default handling of the press.
    void rightButtonPressed(quillon::PaintedButton* button);

  protected:
    void ShowText(const QString& text) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    struct PaintState {
        bool pressed = false;
        bool hovered = false;
        bool focused = false;
        bool disabled = false;
    };

    void MarkEntered();
    PaintState CurrentState() const;
    QColor StateColor(const PaintState& state, ColorIndex in, ColorIndex focus,
                      ColorIndex out) const;
    void PaintProgress(QPainter& painter, const PaintState& state);
    void PaintGradient(QPainter& painter, const PaintState& state);
    QRect PaintNormalBackground(QPainter& painter, const PaintState& state) const;
    QRect PaintImage(QPainter& painter, const PaintState& state, const QRect& area) const;
    void PaintText(QPainter& painter, const PaintState& state, const QRect& area) const;
    void PaintFocus(QPainter& painter, const PaintState& state) const;

    std::array<QColor, kColorCount> colors_;
    bool flat_ = true;
    bool drawBorder_ = true;
    bool drawFocusWhenFlat_ = false;
    bool transparent_ = false;
    bool defaultButton_ = false;
    bool entered_ = false;
    bool hovered_ = false;

    ButtonImage image_;
    ImagePlacement placement_ = ImagePlacement::kLeftOfText;
    int textAlignment_ = kSingleCentered;

    DrawMode mode_ = DrawMode::kNormal;
    QColor gradientFirst_;
    QColor gradientSecond_;
    bool gradientVertical_ = true;
    int gradientBorderWidth_ = 0;
    QColor gradientBorderColor_ = ToQColor(kDefaultGradientBorderColor);
    int progressMaximum_ = 0;
    int progressPosition_ = 0;
    bool blink_ = false;
};

}  // namespace quillon
