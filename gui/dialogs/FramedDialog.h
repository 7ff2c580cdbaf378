// The look the message dialogs share: a white body inside a thick coloured frame, a gradient
// title band with a fixed title, no caption bar (the body drags the window), Enter pressing the
// focused button (with none focused, the default button, or without one the OK command: result
// 1) and Esc ending the dialog with result 2.
#pragma once

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QPointer>

#include "controls/Rgb.h"

namespace quillon {

class PaintedButton;
class PaintedLabel;

class FramedDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;

    struct Look {
        int frameWidth = 5;
        Rgb frameColor;
        Rgb bandFirst;
        Rgb bandSecond;
        Rgb titleColor;
        int bandInset = 5;    // band starts this far from the top and left
        int bandBottom = 40;  // band ends at this y
        int titleRightInset = 15;
        int titleBottom = 35;
    };
    static constexpr int kTitleLeft = 15;
    static constexpr double kBandFlatEnds = 0.02;

    FramedDialog(const Look& look, QWidget* parent);

    void SetTitleText(const QString& title);
    QString TitleText() const { return title_; }
    QRect BandRect() const;
    QRect TitleRect() const;

    // Whether a drag hands the move to the window system when it can (the default: the only way
    // on some compositors, and Windows' own move). Off, the window moves itself, as it does where
    // the system cannot; the tests check that way on every platform.
    void SetSystemMove(bool allowed) { systemMove_ = allowed; }

    void reject() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

    void SetDefaultButton(PaintedButton* button);
    // The window is dragged by handle too (a button in the title band): a press that moves past
    // the drag distance moves the window instead of clicking the handle.
    void DragBy(QWidget* handle);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A gradient command button with a one-pixel border, centred text and the hand cursor.
    static void DressGradientButton(PaintedButton& button, Rgb first, Rgb second, Rgb border,
                                    Rgb text);
    // The picture button at the top left: white all over, the picture with white see-through.
    static void DressPictureButton(PaintedButton& button, const QImage& picture);
    static void DressStatic(PaintedLabel& label, int height, int weight, Rgb text);

  private:
    void BeginMove(const QPoint& globalPress);

    Look look_;
    QString title_;
    QPointer<PaintedButton> defaultButton_;
    bool systemMove_ = true;
    bool dragging_ = false;
    QPoint dragOffset_;
    QPointer<QWidget> dragHandle_;
    bool handlePressed_ = false;
    QPoint handlePress_;
};

}  // namespace quillon
