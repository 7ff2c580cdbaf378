// A label with no background of its own: its text is drawn straight over whatever the parent
// painted, aligned by the label's alignment, elided when asked, single line and vertically
// centred unless word wrap is on.
#pragma once

#include <QLabel>

namespace quillon {

class TransparentLabel : public QLabel {
    Q_OBJECT

  public:
    explicit TransparentLabel(QWidget* parent = nullptr);

    // Cut over-long single-line text with an ellipsis instead of clipping it.
    void SetEllipsis(bool on);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool ellipsis_ = false;
};

}  // namespace quillon
