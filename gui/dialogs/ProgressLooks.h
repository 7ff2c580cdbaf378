// The looks of the progress window's buttons: boards pending, completed, failed and canceled,
// Abort and Cancel, the Exit button at the end and the view buttons. Only colours, fonts and
// alignment: nothing here can fail.
#pragma once

namespace quillon {

class PaintedButton;

class ProgressLooks {
  public:
    static void BoardPending(PaintedButton& b);
    static void BoardCompleted(PaintedButton& b);
    static void BoardFailed(PaintedButton& b);
    static void BoardCanceled(PaintedButton& b);
    static void AbortOrCancel(PaintedButton& b);
    static void Exit(PaintedButton& b);
    static void ShowSerView(PaintedButton& b);
    static void MaxView(PaintedButton& b);
    static void NormalViews(PaintedButton& b);
};

}  // namespace quillon
