// The progress window's bar: a counter whose value bar fills the whole control, with the bar
// text centred on it (the plain counter keeps the bar to a strip under its digits, too thin for
// a 20-pixel row). A range of zero width draws an empty bar.
#pragma once

#include "controls/SevenSegmentCounter.h"

namespace quillon {

class ProgressBarCounter : public SevenSegmentCounter {
    Q_OBJECT

  public:
    explicit ProgressBarCounter(QWidget* parent = nullptr);

    void SetBarRange(int minimum, int maximum);
    // The bar's value; unlike SetValue it keeps the bar text.
    void SetBarValue(int value);
    void SetBarColor(const QColor& color);
    QColor BarColor() const { return barColor_; }
    int BarMinimum() const { return minimum_; }
    int BarMaximum() const { return maximum_; }
    // Pixels of the bar filled at the current value.
    int FilledWidth() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int minimum_ = 0;
    int maximum_ = 100;
    QColor barColor_;
};

}  // namespace quillon
