#include "controls/PaintedCheckBox.h"

#include <QFontMetrics>

namespace quillon {

PaintedCheckBox::PaintedCheckBox(QWidget* parent)
    : QCheckBox(parent),
      textColor_(palette().color(QPalette::WindowText)),
      backgroundColor_(palette().color(QPalette::Window)) {
    connect(this, &QAbstractButton::clicked, this, [this]() {
        if (hasTarget_) {
            emit targetClicked(parameter_);
        }
    });
    ApplyColors();
}

void PaintedCheckBox::ApplyColors() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, textColor_);
    pal.setColor(QPalette::Window, backgroundColor_);
    setPalette(pal);
    setAutoFillBackground(!transparent_);
}

void PaintedCheckBox::SetTextColor(const QColor& color) {
    textColor_ = color;
    ApplyColors();
}

void PaintedCheckBox::SetBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    ApplyColors();
}

void PaintedCheckBox::SetTransparent(bool on) {
    transparent_ = on;
    ApplyColors();
}

void PaintedCheckBox::SetTip(const QString& tip) {
    if (tip.isEmpty()) {
        setToolTip(QString());
        return;
    }
    // Rich text lets the tip wrap; a fixed-width table caps it at the maximum tip width.
    const bool wide = QFontMetrics(font()).horizontalAdvance(tip) > kMaxTipWidth;
    const QString body = tip.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    setToolTip(wide ? QStringLiteral("<table width=\"%1\"><tr><td>%2</td></tr></table>")
                          .arg(kMaxTipWidth)
                          .arg(body)
                    : QStringLiteral("<qt>%1</qt>").arg(body));
}

void PaintedCheckBox::SetTarget(bool on, int parameter) {
    hasTarget_ = on;
    parameter_ = parameter;
}

}  // namespace quillon
