// The looks of the progress window's buttons: boards pending, completed, failed and canceled,
// Abort and Cancel, the Exit button at the end and the view buttons. Only colours, fonts and
// alignment: nothing here can fail.
#pragma once

namespace quillon {

class ExtendedButton;

class ProgressLooks {
  public:
    static void BoardPending(ExtendedButton& b);
    static void BoardCompleted(ExtendedButton& b);
    static void BoardFailed(ExtendedButton& b);
    static void BoardCanceled(ExtendedButton& b);
    static void AbortOrCancel(ExtendedButton& b);
    static void Exit(ExtendedButton& b);
    static void ShowSerView(ExtendedButton& b);
    static void MaxView(ExtendedButton& b);
    static void NormalViews(ExtendedButton& b);
};

}  // namespace quillon
