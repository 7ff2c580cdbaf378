// Asks the user a yes/no question, or shows a notice with a single OK. Result 1 for YES (or OK),
// 2 for NO or Esc; Enter presses NO unless another button has the focus. Text beyond 1020
// characters is cut.
#pragma once

#include "controls/FormattedText.h"
#include "dialogs/FramedDialog.h"

namespace quillon {

class PaintedButton;
class PaintedLabel;

class ConfirmDialog : public FramedDialog, public FormattedText {
    Q_OBJECT

  public:
    static constexpr int kResultYes = 1;
    static constexpr int kResultNo = 2;
    static constexpr std::size_t kTextLimit = 1020;
    static constexpr const char* kTitle = "Need Confirmation!";

    explicit ConfirmDialog(QWidget* parent = nullptr);

    QString Text() const;
    void SetSingleButton(bool single);
    bool IsSingleButton() const { return singleButton_; }

    PaintedButton* YesButton() const { return yes_; }
    PaintedButton* NoButton() const { return no_; }
    PaintedButton* PictureButton() const { return picture_; }
    PaintedLabel* TextStatic() const { return text_; }

  protected:
    void ShowText(const QString& text) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Arrange();

    PaintedButton* picture_;
    PaintedLabel* text_;
    PaintedButton* yes_;
    PaintedButton* no_;
    bool singleButton_ = false;
};

}  // namespace quillon
