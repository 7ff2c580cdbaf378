// Where the progress window puts each control for a client size, view mode and run state. A
// pure computation so that every size, down to a few pixels, can be checked without a window;
// an empty rectangle means the control is hidden.
#pragma once

#include <QRect>
#include <QSize>
#include <array>

namespace quillon {

class ProgressLayout {
  public:
    struct Input {
        int width = 0;
        int height = 0;
        int viewMode = 0;  // 0 normal, 1 message pane maximised, 2 serial-data pane maximised
        bool serialShown = false;
        bool running = true;
        bool allowAbort = false;
        bool kx2 = false;
        // Load order number of COMM, READER, SPEECH (0 = not loaded).
        std::array<int, 3> boardNumbers{};
    };

    struct Result {
        std::array<QRect, 3> boards;  // COMM, READER, SPEECH
        QRect counter;
        QRect timeToComplete;
        QRect bar;
        QRect maxMsgs;
        QRect maxBytes;
        QRect normalViews;
        QRect messagePane;
        QRect serialPane;
        QRect showSerView;
        QRect scrollMsgs;
        QRect scrollBytes;
        QRect abort;  // the Abort button, or the Exit button after the end
        QRect cancel;
    };

    static Result Compute(const Input& in);
    // The smallest client size at which every selected board, the counter or the run's end, and
    // both the serial-view switch and the stop buttons stand clear of one another.
    static QSize MinimumSize(const Input& in);

  private:
    static void TopRow(const Input& in, Result& r);
    static void ProgressRow(const Input& in, Result& r);
    static void Panes(const Input& in, Result& r);
    static void BottomRow(const Input& in, Result& r);
};

}  // namespace quillon
