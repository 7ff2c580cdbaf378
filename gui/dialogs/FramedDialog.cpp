#include "dialogs/FramedDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "controls/FramesAndGradients.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"

namespace quillon {

namespace {
constexpr int kTitleFontHeight = 15;
constexpr int kButtonFontHeight = 14;
constexpr const char* kFace = "Verdana";
}  // namespace

FramedDialog::FramedDialog(const Look& look, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), look_(look) {
    setModal(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void FramedDialog::SetTitleText(const QString& title) {
    title_ = title;
    setWindowTitle(title);  // for the window manager's lists, which never see the painted band
    update();
}

QRect FramedDialog::BandRect() const {
    const int inset = look_.bandInset;
    return QRect(QPoint(inset, inset), QPoint(width() - inset - 1, look_.bandBottom - 1));
}

QRect FramedDialog::TitleRect() const {
    return QRect(QPoint(kTitleLeft, look_.bandInset),
                 QPoint(width() - look_.titleRightInset - 1, look_.titleBottom - 1));
}

void FramedDialog::reject() {
    done(kResultCancel);
}

void FramedDialog::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    FillFrame(painter, rect(), look_.frameWidth, ToQColor(look_.frameColor));
    const QRect band = BandRect();
    painter.fillRect(band, MakeGradient(band, ToQColor(look_.bandFirst), ToQColor(look_.bandSecond),
                                        false, kBandFlatEnds));
    QFont titleFont(QString::fromLatin1(kFace));
    titleFont.setPixelSize(kTitleFontHeight);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(ToQColor(look_.titleColor));
    painter.drawText(TitleRect(), Qt::AlignCenter, title_);
}

void FramedDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    BeginMove(event->globalPosition().toPoint());
}

void FramedDialog::BeginMove(const QPoint& globalPress) {
    // Prefer the window system's own move (the only way on some compositors); else move here.
    if (systemMove_ && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    dragging_ = true;
    dragOffset_ = globalPress - frameGeometry().topLeft();
}

void FramedDialog::DragBy(QWidget* handle) {
    dragHandle_ = handle;
    handle->installEventFilter(this);
}

bool FramedDialog::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                            type == QEvent::MouseButtonRelease;
    if (watched != dragHandle_ || dragHandle_ == nullptr || !mouseEvent) {
        return QDialog::eventFilter(watched, event);
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (type) {
        case QEvent::MouseButtonPress:
            handlePressed_ = mouse->button() == Qt::LeftButton;
            handlePress_ = mouse->globalPosition().toPoint();
            break;
        case QEvent::MouseMove:
            if (dragging_) {
                move(mouse->globalPosition().toPoint() - dragOffset_);
                return true;
            }
            if (handlePressed_ && (mouse->buttons() & Qt::LeftButton) &&
                (mouse->globalPosition().toPoint() - handlePress_).manhattanLength() >=
                    QApplication::startDragDistance()) {
                handlePressed_ = false;
                // Let go of the button, so the release that ends the drag clicks nothing.
                if (auto* button = qobject_cast<QAbstractButton*>(dragHandle_)) {
                    button->setDown(false);
                }
                BeginMove(handlePress_);
                if (dragging_) {
                    move(mouse->globalPosition().toPoint() - dragOffset_);
                }
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            handlePressed_ = false;
            if (dragging_) {
                dragging_ = false;
                return true;
            }
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void FramedDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void FramedDialog::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

void FramedDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // As in the old dialogs on every platform: the focused button, else the default one,
        // else the dialog's OK command.
        auto* focused = qobject_cast<PaintedButton*>(focusWidget());
        PaintedButton* target =
            (focused != nullptr && focused->isVisible() && focused->focusPolicy() != Qt::NoFocus)
                ? focused
                : defaultButton_.data();
        if (target == nullptr) {
            done(kResultOk);
        } else if (target->isEnabled()) {
            target->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FramedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The default button starts with the focus, so Enter answers with it.
    if (defaultButton_ != nullptr && defaultButton_->isVisible()) {
        defaultButton_->setFocus();
    }
}

void FramedDialog::SetDefaultButton(PaintedButton* button) {
    defaultButton_ = button;
    if (button != nullptr) {
        button->SetDefaultButton(true);
    }
}

void FramedDialog::DressGradientButton(PaintedButton& button, Rgb first, Rgb second, Rgb border,
                                       Rgb text) {
    button.SetGradientMode(ToQColor(first), ToQColor(second), true);
    button.SetGradientBorder(1, ToQColor(border));
    const QColor textColor = ToQColor(text);
    button.SetTextColors(textColor, textColor, textColor);
    button.SetTextAlignment(PaintedButton::kSingleCentered);
    button.SetButtonFont(kButtonFontHeight, QFont::Bold);
    button.SetHandCursor();
}

void FramedDialog::DressPictureButton(PaintedButton& button, const QImage& picture) {
    button.setText(QString());
    button.SetBackgroundColors(Qt::white, Qt::white, Qt::white);
    button.SetTextColors(Qt::white, Qt::white, Qt::white);
    button.SetBitmaps(picture, Qt::white, picture, Qt::white);
    button.SetDrawBorder(false);
    button.setFocusPolicy(Qt::NoFocus);
}

void FramedDialog::DressStatic(PaintedLabel& label, int height, int weight, Rgb text) {
    label.SetStaticFont(height, weight, QString::fromLatin1(kFace));
    label.SetTextColor(ToQColor(text));
    label.SetBackgroundColor(Qt::white);
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

}  // namespace quillon
