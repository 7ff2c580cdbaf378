#include "controls/ExtendedLabel.h"

#include "controls/LogicalFont.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdarg>
#include <cstdlib>

#include "controls/FormatLimited.h"

namespace quillon {

ExtendedLabel::ExtendedLabel(QWidget* parent)
    : QLabel(parent),
      textColor_(palette().color(QPalette::ButtonText)),
      backgroundColor_(palette().color(QPalette::Button)),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      failureReporter_([this](const QString& text) {
          QApplication::beep();
          QMessageBox::information(this, QString(), text);
      }) {
    connect(&blinkTimer_, &QTimer::timeout, this, &ExtendedLabel::OnBlinkTick);
}

void ExtendedLabel::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void ExtendedLabel::SetBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void ExtendedLabel::SetVisitedColor(const QColor& color) {
    visitedColor_ = color;
    update();
}

void ExtendedLabel::SetStaticFont(int height, int weight, const QString& face) {
    setFont(LogicalFont(face, height, weight));
}

void ExtendedLabel::SetText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const auto text = FormatLimitedV(kTextLimit, format, args);
    va_end(args);
    if (text) {
        setText(*text);
    }
}

void ExtendedLabel::SetLinkUrl(const QString& url) {
    url_ = url;
    visited_ = false;
    update();
}

void ExtendedLabel::SetLinkCursor(const QCursor& cursor) {
    setCursor(cursor);
}

void ExtendedLabel::SetClickMessage(int message, int parameter) {
    hasClickMessage_ = true;
    clickMessage_ = message;
    clickParameter_ = parameter;
}

void ExtendedLabel::UpdateTimer(int intervalMs) {
    if (!IsBlinking()) {
        blinkTimer_.stop();
        return;
    }
    if (intervalMs > 0) {
        blinkTimer_.start(intervalMs);
    } else if (!blinkTimer_.isActive()) {
        blinkTimer_.start();
    }
}

void ExtendedLabel::StartTextBlink(const QColor& first, const QColor& second, int intervalMs) {
    textBlinkColors_ = {first, second};
    textBlinkIndex_ = 0;
    textBlink_ = true;
    UpdateTimer(intervalMs);
    update();
}

void ExtendedLabel::StopTextBlink() {
    textBlink_ = false;
    UpdateTimer(0);
    update();
}

void ExtendedLabel::StartBackgroundBlink(const QColor& first, const QColor& second,
                                         int intervalMs) {
    backgroundBlinkColors_ = {first, second};
    backgroundBlinkIndex_ = 0;
    backgroundBlink_ = true;
    UpdateTimer(intervalMs);
    update();
}

void ExtendedLabel::StopBackgroundBlink() {
    backgroundBlink_ = false;
    UpdateTimer(0);
    update();
}

void ExtendedLabel::OnBlinkTick() {
    if (textBlink_) {
        textBlinkIndex_ = 1 - textBlinkIndex_;
    }
    if (backgroundBlink_) {
        backgroundBlinkIndex_ = 1 - backgroundBlinkIndex_;
    }
    update();
}

QColor ExtendedLabel::CurrentTextColor() const {
    if (textBlink_) {
        return textBlinkColors_[textBlinkIndex_];
    }
    return (!url_.isEmpty() && visited_) ? visitedColor_ : textColor_;
}

QColor ExtendedLabel::CurrentBackgroundColor() const {
    return backgroundBlink_ ? backgroundBlinkColors_[backgroundBlinkIndex_] : backgroundColor_;
}

void ExtendedLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), CurrentBackgroundColor());
    painter.setPen(CurrentTextColor());
    painter.setFont(font());
    int flags = static_cast<int>(alignment());
    if (!wordWrap()) {
        flags |= Qt::TextSingleLine;
    } else {
        flags |= wrapAnywhere_ ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
    }
    painter.drawText(contentsRect(), flags, text());
}

void ExtendedLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Click();
    }
}

void ExtendedLabel::OpenLink() {
    if (urlOpener_ && urlOpener_(QUrl::fromUserInput(url_))) {
        visited_ = true;
        update();
        return;
    }
    if (failureReporter_) {
        failureReporter_(QString::fromLatin1(kOpenFailedText) + url_ + QStringLiteral("."));
    }
}

void ExtendedLabel::Click() {
    if (companion_) {
        companion_->setVisible(companion_->isHidden());
    }
    emit companionNotified();
    if (!url_.isEmpty()) {
        OpenLink();
    }
    if (hasClickMessage_) {
        emit clickMessage(clickMessage_, clickParameter_);
    }
}

}  // namespace quillon
