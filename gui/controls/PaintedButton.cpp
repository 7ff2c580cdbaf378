#include "controls/PaintedButton.h"

#include "controls/LogicalFont.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "controls/FramesAndGradients.h"

namespace quillon {

namespace {
constexpr int kMinWeight = 1;
constexpr int kMaxWeight = 1000;
}  // namespace

PaintedButton::PaintedButton(QWidget* parent) : QAbstractButton(parent), FormattedText(kTextLimit) {
    const QColor face = palette().color(QPalette::Button);
    const QColor text = ToQColor(kDefaultTextColor);
    colors_ = {face, text, face, text, face, text};
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
}

PaintedButton::~PaintedButton() = default;

void PaintedButton::SetColor(ColorIndex index, const QColor& color) {
    if (index < 0 || index >= kColorCount) {
        return;
    }
    colors_[index] = color;
    update();
}

void PaintedButton::SetBackgroundColors(const QColor& in, const QColor& out, const QColor& focus) {
    colors_[kBackgroundIn] = in;
    colors_[kBackgroundOut] = out;
    colors_[kBackgroundFocus] = focus;
    update();
}

void PaintedButton::SetTextColors(const QColor& in, const QColor& out, const QColor& focus) {
    colors_[kForegroundIn] = in;
    colors_[kForegroundOut] = out;
    colors_[kForegroundFocus] = focus;
    update();
}

void PaintedButton::SetFlat(bool flat) {
    flat_ = flat;
    if (!flat_) {
        hovered_ = false;
    }
    update();
}

void PaintedButton::SetDrawBorder(bool on) {
    drawBorder_ = on;
    update();
}

void PaintedButton::SetDrawFocusWhenFlat(bool on) {
    drawFocusWhenFlat_ = on;
    update();
}

void PaintedButton::SetTransparent(bool on) {
    transparent_ = on;
    update();
}

void PaintedButton::SetDefaultButton(bool on) {
    defaultButton_ = on;
    update();
}

bool PaintedButton::SetBitmaps(const QImage& in, const QColor& inTransparent, int outSentinel) {
    const bool ok = image_.SetBitmaps(in, inTransparent, outSentinel);
    update();
    return ok;
}

bool PaintedButton::SetBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out,
                               const QColor& outTransparent) {
    const bool ok = image_.SetBitmaps(in, inTransparent, out, outTransparent);
    update();
    return ok;
}

void PaintedButton::SetImagePlacement(ImagePlacement placement) {
    placement_ = placement;
    update();
}

void PaintedButton::SetTextAlignment(int mode) {
    textAlignment_ =
        std::clamp(mode, static_cast<int>(kSingleLeft), static_cast<int>(kMultiCentered));
    update();
}

void PaintedButton::SetButtonFont(int height, int weight) {
    setFont(LogicalFont(QString::fromLatin1(kFontFace), height,
                        std::clamp(weight, kMinWeight, kMaxWeight)));
    update();
}

bool PaintedButton::SetHandCursor() {
    setCursor(Qt::PointingHandCursor);
    return true;
}

void PaintedButton::ShowText(const QString& text) {
    setText(text);
}

void PaintedButton::SetGradientMode(const QColor& first, const QColor& second, bool vertical) {
    mode_ = DrawMode::kGradient;
    gradientFirst_ = first;
    gradientSecond_ = second;
    gradientVertical_ = vertical;
    update();
}

void PaintedButton::SetGradientBorder(int width, const QColor& color) {
    gradientBorderWidth_ = std::max(0, width);
    gradientBorderColor_ = color;
    update();
}

void PaintedButton::SetProgressMode(int maximum, int position) {
    mode_ = DrawMode::kProgress;
    progressMaximum_ = maximum;
    progressPosition_ = position;
    update();
}

QSize PaintedButton::sizeHint() const {
    const QFontMetrics metrics(font());
    QSize size = metrics.size(Qt::TextSingleLine, text()) + QSize(2 * kTextMargin, kTextMargin);
    const QSize picture = image_.Size();
    if (!picture.isEmpty()) {
        if (placement_ == ImagePlacement::kAboveText) {
            size.rheight() += picture.height() + kImageMarginY;
        } else {
            size.rwidth() += picture.width() + kImageMarginX;
        }
        size = size.expandedTo(picture + QSize(2 * kImageMarginX, 2 * kImageMarginY));
    }
    return size;
}

// ---- mouse and keyboard -------------------------------------------------------------------

void PaintedButton::MarkEntered() {
    if (entered_) {
        return;
    }
    entered_ = true;
    if (flat_) {
        hovered_ = true;
        update();
    }
}

void PaintedButton::enterEvent(QEnterEvent* event) {
    MarkEntered();
    QAbstractButton::enterEvent(event);
}

void PaintedButton::mouseMoveEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        MarkEntered();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void PaintedButton::leaveEvent(QEvent* event) {
    if (entered_) {
        entered_ = false;
        hovered_ = false;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void PaintedButton::mousePressEvent(QMouseEvent* event) {
    QAbstractButton::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        emit rightButtonPressed(this);
    }
}

void PaintedButton::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    update();
}

void PaintedButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
}

// ---- painting -----------------------------------------------------------------------------

PaintedButton::PaintState PaintedButton::CurrentState() const {
    PaintState state;
    state.pressed = isDown();
    state.hovered = hovered_;
    state.focused = hasFocus();
    state.disabled = !isEnabled();
    return state;
}

QColor PaintedButton::StateColor(const PaintState& state, ColorIndex in, ColorIndex focus,
                                 ColorIndex out) const {
    if (state.hovered || state.pressed) {
        return colors_[in];
    }
    return state.focused ? colors_[focus] : colors_[out];
}

void PaintedButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const PaintState state = CurrentState();
    switch (mode_) {
        case DrawMode::kProgress:
            PaintProgress(painter, state);
            return;
        case DrawMode::kGradient:
            PaintGradient(painter, state);
            return;
        case DrawMode::kNormal:
            break;
    }
    const QRect inner = PaintNormalBackground(painter, state);
    const QRect textArea = PaintImage(painter, state, inner);
    PaintText(painter, state, textArea);
    PaintFocus(painter, state);
}

void PaintedButton::PaintProgress(QPainter& painter, const PaintState& state) {
    const QRect area = rect();
    int upper = 0;
    if (progressMaximum_ != 0) {
        const long long remaining = static_cast<long long>(progressMaximum_) - progressPosition_;
        upper = static_cast<int>(
            std::clamp<long long>(remaining * area.height() / progressMaximum_, 0, area.height()));
    }
    painter.fillRect(QRect(0, 0, area.width(), upper), ToQColor(kProgressUpperColor));
    painter.fillRect(QRect(0, upper, area.width(), area.height() - upper),
                     ToQColor(kProgressLowerColor));
    if (blink_) {
        FillFrame(painter, area, kProgressFrameWidth, ToQColor(kProgressFrameColor));
    }
    blink_ = !blink_;
    PaintText(painter, state, area);
}

void PaintedButton::PaintGradient(QPainter& painter, const PaintState& state) {
    const QRect area = rect();
    const bool flip = state.hovered && !state.pressed;
    const QColor& first = flip ? gradientSecond_ : gradientFirst_;
    const QColor& second = flip ? gradientFirst_ : gradientSecond_;
    const bool vertical = flip ? !gradientVertical_ : gradientVertical_;
    painter.fillRect(area, MakeGradient(area, first, second, vertical));
    FillFrame(painter, area, gradientBorderWidth_, gradientBorderColor_);
    PaintText(painter, state, area);
    // Gradient buttons show the focus only when asked to, as flat ones do.
    if (drawFocusWhenFlat_) {
        PaintFocus(painter, state);
    }
}

QRect PaintedButton::PaintNormalBackground(QPainter& painter, const PaintState& state) const {
    QRect area = rect();
    const QPalette& pal = palette();
    if (!flat_ && (state.focused || defaultButton_)) {
        FillFrame(painter, area, 1, Qt::black);
        area.adjust(1, 1, -1, -1);
    }
    if (!transparent_) {
        painter.fillRect(area, StateColor(state, kBackgroundIn, kBackgroundFocus, kBackgroundOut));
    }
    if (!flat_) {
        const QRect outer = area;
        const QRect inner = area.adjusted(1, 1, -1, -1);
        if (state.pressed) {
            DrawEdge(painter, outer, pal.color(QPalette::Shadow), pal.color(QPalette::Light));
            DrawEdge(painter, inner, pal.color(QPalette::Dark), pal.color(QPalette::Midlight));
        } else {
            DrawEdge(painter, outer, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
            DrawEdge(painter, inner, pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
        }
    } else if (drawBorder_ && (state.hovered || state.pressed)) {
        if (state.pressed) {
            DrawEdge(painter, area, pal.color(QPalette::Dark), pal.color(QPalette::Light));
        } else {
            DrawEdge(painter, area, pal.color(QPalette::Light), pal.color(QPalette::Dark));
        }
    }
    return area;
}

QRect PaintedButton::PaintImage(QPainter& painter, const PaintState& state,
                                const QRect& area) const {
    if (image_.IsEmpty()) {
        return area;
    }
    const QSize picture = image_.Size();
    QRect textArea = area;
    QPoint topLeft;
    const int centredY = area.top() + (area.height() - picture.height()) / 2;
    const int centredX = area.left() + (area.width() - picture.width()) / 2;
    if (text().isEmpty()) {
        topLeft = QPoint(centredX, centredY);
    } else {
        switch (placement_) {
            case ImagePlacement::kLeftOfText:
                topLeft = QPoint(area.left() + kImageMarginX, centredY);
                textArea.setLeft(topLeft.x() + picture.width());
                break;
            case ImagePlacement::kAboveText:
                topLeft = QPoint(centredX, area.top() + kImageMarginY);
                textArea.setTop(topLeft.y() + picture.height());
                break;
            case ImagePlacement::kRightOfText:
                topLeft = QPoint(area.right() - kImageMarginX - picture.width() + 1, centredY);
                textArea.setRight(topLeft.x() - 1);
                break;
        }
    }
    if (state.pressed) {
        topLeft += QPoint(1, 1);
    }
    image_.Draw(painter, topLeft, state.hovered || state.pressed, state.disabled, palette());
    return textArea;
}

void PaintedButton::PaintText(QPainter& painter, const PaintState& state, const QRect& area) const {
    if (text().isEmpty()) {
        return;
    }
    QRect box = area;
    int flags = Qt::TextSingleLine | Qt::AlignVCenter;
    switch (textAlignment_) {
        case kSingleLeft:
            flags |= Qt::AlignLeft;
            box.setLeft(box.left() + kTextMargin);
            break;
        case kSingleRight:
            flags |= Qt::AlignRight;
            box.setRight(box.right() - kTextMargin);
            break;
        case kMultiLeft:
            flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
            box.adjust(kTextMargin, kMultiLineTopOffset, 0, 0);
            break;
        case kMultiCentered:
            flags = Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop;
            box.setTop(box.top() + kMultiLineTopOffset);
            break;
        default:
            flags |= Qt::AlignHCenter;
            break;
    }
    if (state.pressed) {
        box.translate(1, 1);
    }
    painter.setFont(font());
    painter.setPen(state.disabled
                       ? palette().color(QPalette::Disabled, QPalette::Dark)
                       : StateColor(state, kForegroundIn, kForegroundFocus, kForegroundOut));
    painter.drawText(box, flags, text());
}

void PaintedButton::PaintFocus(QPainter& painter, const PaintState& state) const {
    if (!state.focused || (flat_ && !drawFocusWhenFlat_)) {
        return;
    }
    QPen pen(StateColor(state, kForegroundIn, kForegroundFocus, kForegroundOut), 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
}

}  // namespace quillon
