// Where a dialog opens: centred over the window of its parent, kept on that parent's screen.
// A dialog without a parent is left where the window system puts it.
#pragma once

class QWidget;

namespace quillon {

class WindowPlacement {
  public:
    // Moves dialog (sized to its hint when nobody sized it yet) over its parent's window.
    static void CentreOverParent(QWidget& dialog);
};

}  // namespace quillon
