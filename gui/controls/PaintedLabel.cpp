#include "controls/PaintedLabel.h"

#include "controls/LogicalFont.h"

#include <QPainter>

namespace quillon {

PaintedLabel::PaintedLabel(QWidget* parent)
    : QLabel(parent),
      FormattedText(kTextLimit),
      textColor_(palette().color(QPalette::ButtonText)),
      backgroundColor_(palette().color(QPalette::Button)) {
    connect(&blinkTimer_, &QTimer::timeout, this, &PaintedLabel::OnBlinkTick);
}

void PaintedLabel::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void PaintedLabel::SetBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void PaintedLabel::SetStaticFont(int height, int weight, const QString& face) {
    setFont(LogicalFont(face, height, weight));
}

void PaintedLabel::ShowText(const QString& text) {
    setText(text);
}

void PaintedLabel::StartTextBlink(const QColor& first, const QColor& second, int intervalMs) {
    textBlinkColors_ = {first, second};
    textBlinkIndex_ = 0;
    textBlink_ = true;
    if (intervalMs > 0) {
        blinkTimer_.start(intervalMs);
    } else if (!blinkTimer_.isActive()) {
        blinkTimer_.start();
    }
    update();
}

void PaintedLabel::StopTextBlink() {
    textBlink_ = false;
    blinkTimer_.stop();
    update();
}

void PaintedLabel::OnBlinkTick() {
    if (textBlink_) {
        textBlinkIndex_ = 1 - textBlinkIndex_;
    }
    update();
}

QColor PaintedLabel::CurrentTextColor() const {
    if (textBlink_) {
        return textBlinkColors_[textBlinkIndex_];
    }
    return textColor_;
}

void PaintedLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor_);
    painter.setPen(CurrentTextColor());
    painter.setFont(font());
    int flags = static_cast<int>(alignment());
    if (!wordWrap()) {
        flags |= Qt::TextSingleLine;
    } else {
        flags |= wrapAnywhere_ ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
    }
    painter.drawText(contentsRect(), flags, ShownText());
}

void PaintedLabel::SetElideMode(Qt::TextElideMode mode) {
    elide_ = mode;
    update();
}

QString PaintedLabel::ShownText() const {
    if (elide_ == Qt::ElideNone || wordWrap()) {
        return text();
    }
    return fontMetrics().elidedText(text(), elide_, contentsRect().width());
}

}  // namespace quillon
