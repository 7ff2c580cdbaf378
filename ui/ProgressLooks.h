// The looks of the progress window's buttons: boards pending, completed and failed, Abort and
// Cancel, the Exit button at the end and the view buttons. Only colours, fonts and alignment:
// nothing here can fail.
#pragma once

namespace quillon {

class CExtendedButton;

class ProgressLooks {
  public:
    static void BoardPending(CExtendedButton& b);
    static void BoardCompleted(CExtendedButton& b);
    static void BoardFailed(CExtendedButton& b);
    static void AbortOrCancel(CExtendedButton& b);
    static void Exit(CExtendedButton& b);
    static void ShowSerView(CExtendedButton& b);
    static void MaxView(CExtendedButton& b);
    static void NormalViews(CExtendedButton& b);
};

}  // namespace quillon
