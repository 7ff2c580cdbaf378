// Reports an error: a band "Error ID: %d", the file concerned and a message (each hidden when
// empty). "How to Resolve" adds what the error catalogue says to do about the error (the button
// is hidden for a number the catalogue does not have); OK, Enter and Esc end it. The dialog grows
// downwards to show every line; a path wraps anywhere. Over-long names and messages are cut to
// 1023 and 1022 characters.
#pragma once

#include "dialogs/FramedDialog.h"

namespace quillon {

class PaintedButton;
class PaintedLabel;

class ErrorMessageDialog : public FramedDialog {
    Q_OBJECT

  public:
    static constexpr std::size_t kFileNameLimit = 1023;
    static constexpr std::size_t kMessageLimit = 1022;
    static constexpr const char* kTitleFormat = "Error ID: %d";
    static constexpr const char* kFileNameFormat = "File Name: %s";

    explicit ErrorMessageDialog(QWidget* parent = nullptr);

    // Stores the number; copies the file name when given; formats the message when a format
    // is given (printf-style).
    void Set(int errorNumber, const char* fileName, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    void SetErrorNumber(int errorNumber);
    void SetFileName(const QString& fileName);
    void SetMessage(const QString& message);

    int ErrorNumber() const { return errorNumber_; }
    QString FileName() const { return fileName_; }
    QString Message() const { return message_; }
    // The catalogue's resolution once "How to Resolve" was pressed, else empty.
    QString Resolution() const { return resolution_; }

    PaintedButton* OkButton() const { return ok_; }
    PaintedButton* ResolveButton() const { return resolve_; }
    PaintedButton* PictureButton() const { return picture_; }
    PaintedLabel* MessageStatic() const { return message1_; }
    PaintedLabel* SecondStatic() const { return message2_; }
    PaintedLabel* FileNameStatic() const { return fileStatic_; }

  private:
    void Refresh();
    void ShowResolution();
    // Sizes the dialog so the whole message, resolution and file name show (it grows
    // downwards, never narrower).
    void FitMessage();

    int errorNumber_ = 0;
    QString fileName_;
    QString message_;
    QString resolution_;
    PaintedButton* picture_;
    PaintedLabel* message1_;
    PaintedLabel* message2_;
    PaintedLabel* fileStatic_;
    PaintedButton* ok_;
    PaintedButton* resolve_;
};

}  // namespace quillon
