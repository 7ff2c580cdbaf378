// A check box with its own text and background colours (or no background), an optional wide
// tooltip, and a click report carrying the parameter its owner chose.
#pragma once

#include <QCheckBox>
#include <QColor>

namespace quillon {

class PaintedCheckBox : public QCheckBox {
    Q_OBJECT

  public:
    static constexpr int kMaxTipWidth = 400;

    explicit PaintedCheckBox(QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    void SetBackgroundColor(const QColor& color);
    void SetTransparent(bool on);
    // Plain text; long tips wrap at 400 pixels.
    void SetTip(const QString& tip);
    // Reported with every click while a target is set.
    void SetTarget(bool on, int parameter);

  signals:
    void targetClicked(int parameter);

  private:
    void ApplyColors();

    QColor textColor_;
    QColor backgroundColor_;
    bool transparent_ = false;
    bool hasTarget_ = false;
    int parameter_ = 0;
};

}  // namespace quillon
