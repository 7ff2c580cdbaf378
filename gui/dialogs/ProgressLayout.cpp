#include "dialogs/ProgressLayout.h"

#include <algorithm>

namespace quillon {

namespace {

// Sizes and places of the progress window, in pixels of the client area.
constexpr int kBoardTop = 5;
constexpr int kBoardWidth = 140;
constexpr int kKx2BoardWidth = 280;
constexpr int kBoardHeight = 100;
constexpr int kFirstBoardX = 10;
constexpr int kBoardStep = 160;
constexpr int kKx2BoardStep = 300;
// Right of the boards: the counter while running, the Exit button and the end text afterwards.
// A board stands only where it keeps this gap to them.
constexpr int kRunningColumn = 120;
constexpr int kEndColumn = 185;
constexpr int kBoardGap = 10;
constexpr int kTopRowMinHeight = 200;
constexpr int kMinPaneHeight = 130;
constexpr int kProgressRowTop = 125;
constexpr int kPanesTop = 144;
constexpr int kPanesBottomGap = 25;
constexpr int kPaneGap = 15;
constexpr int kMaximisedPaneTop = 25;
constexpr int kButtonGap = 10;
constexpr int kStopButtonLeft = 110;  // Abort or Cancel, from the right edge
constexpr int kSerViewWidth = 100;
constexpr int kCentredSerViewWidth = 140;
// Wide enough for the serial-view switch centred beside the stop buttons.
constexpr int kMinWidth =
    2 * (kStopButtonLeft + kStopButtonLeft + kButtonGap) + kCentredSerViewWidth;

// A rectangle, or an empty one (hidden) when it has no area.
QRect Box(int x, int y, int w, int h) {
    return (w > 0 && h > 0) ? QRect(x, y, w, h) : QRect();
}

// How much of the bottom row's right end the stop buttons take while the run goes on.
int StopButtonsWidth(const ProgressLayout::Input& in) {
    if (!in.running) {
        return 0;
    }
    const int buttons = (in.allowAbort ? 1 : 0) + (in.kx2 ? 1 : 0);
    return buttons * kStopButtonLeft;
}

}  // namespace

QSize ProgressLayout::MinimumSize(const Input& in) {
    int boards = 0;
    for (int number : in.boardNumbers) {
        boards += number >= 1 && number <= 3 ? 1 : 0;
    }
    const int step = in.kx2 ? kKx2BoardStep : kBoardStep;
    const int width = in.kx2 ? kKx2BoardWidth : kBoardWidth;
    const int boardsRight = boards > 0 ? kFirstBoardX + (boards - 1) * step + width : 0;
    return {std::max(boardsRight + kBoardGap + kEndColumn + 1, kMinWidth),
            kPanesTop + kMinPaneHeight + kPanesBottomGap};
}

ProgressLayout::Result ProgressLayout::Compute(const Input& in) {
    Result r;
    if (in.viewMode == 1 || in.viewMode == 2) {
        r.normalViews = Box(in.width - 140, 3, 130, 20);
        const QRect pane = Box(3, kMaximisedPaneTop, in.width - 6, in.height - 30);
        (in.viewMode == 1 ? r.messagePane : r.serialPane) = pane;
        return r;
    }
    TopRow(in, r);
    ProgressRow(in, r);
    Panes(in, r);
    BottomRow(in, r);
    return r;
}

void ProgressLayout::TopRow(const Input& in, Result& r) {
    if (in.height < kTopRowMinHeight) {
        return;
    }
    // Boards in load order: the number says where each one goes.
    std::array<int, 3> order{-1, -1, -1};
    for (int kind = 0; kind < 3; ++kind) {
        const int number = in.boardNumbers[static_cast<size_t>(kind)];
        if (number >= 1 && number <= 3) {
            order[static_cast<size_t>(number - 1)] = kind;
        }
    }
    // For the HBD's narrow boards this is the rule of old (the first at 281 pixels, the second
    // above 440, the third above 600); it keeps the wide KX2 board and, after the run, the Exit
    // column clear as well.
    const int column = in.running ? kRunningColumn : kEndColumn;
    const int width = in.kx2 ? kKx2BoardWidth : kBoardWidth;
    int x = kFirstBoardX;
    for (int kind : order) {
        if (kind < 0) {
            continue;
        }
        if (x + width + kBoardGap >= in.width - column) {
            break;
        }
        r.boards[static_cast<size_t>(kind)] = Box(x, kBoardTop, width, kBoardHeight);
        x += in.kx2 ? kKx2BoardStep : kBoardStep;
    }
    if (in.running) {
        r.counter = Box(in.width - 120, 15, 100, 40);
        r.timeToComplete = Box(in.width - 125, 63, 115, 40);
    }
}

void ProgressLayout::ProgressRow(const Input& in, Result& r) {
    const int room = in.width - 130;
    if (in.serialShown) {
        if (room >= 300) {
            const int half = (in.width - 20) / 2;
            r.bar = Box(10, kProgressRowTop, half - 110, 20);
            r.maxMsgs = Box(half - 95, kProgressRowTop, 100, 18);
            r.maxBytes = Box(in.width - 112, kProgressRowTop, 100, 18);
        }
    } else if (room >= 200) {
        r.bar = Box(10, kProgressRowTop, room, 20);
        r.maxMsgs = Box(in.width - 110, kProgressRowTop, 100, 18);
    } else if (room >= 100) {
        r.bar = Box(10, kProgressRowTop, in.width - 135, 20);
    }
    if (!in.running) {
        r.bar = QRect();
    }
}

void ProgressLayout::Panes(const Input& in, Result& r) {
    const int height = in.height - kPanesBottomGap - kPanesTop;
    if (in.serialShown) {
        const int width = (in.width - 25) / 2;
        r.messagePane = Box(10, kPanesTop, width, height);
        const int serialX = 10 + width + kPaneGap;
        r.serialPane = Box(serialX, kPanesTop, width, height);
        // Under the serial-data pane, or under the message pane when the stop buttons leave no
        // room there: the only way back from this view must not go.
        const int room = in.width - StopButtonsWidth(in) - kButtonGap;
        const int x = serialX + kSerViewWidth <= room ? serialX : 10;
        if (x + kSerViewWidth <= room && height > 0) {
            r.showSerView = Box(x, in.height - 23, kSerViewWidth, 20);
        }
    } else {
        r.messagePane = Box(10, kPanesTop, in.width - 20, height);
    }
}

void ProgressLayout::BottomRow(const Input& in, Result& r) {
    if (!in.serialShown) {
        const int reserved = in.width > 220 ? 230 : 120;
        // Centred, or moved left of the stop buttons where both of them stand.
        const int x = std::min((in.width - kCentredSerViewWidth) / 2,
                               in.width - StopButtonsWidth(in) - kButtonGap - kCentredSerViewWidth);
        if (in.width - reserved > 300 && x >= 10) {
            r.showSerView = Box(x, in.height - 25, kCentredSerViewWidth, 20);
        }
    }
    if (in.running) {
        if (in.allowAbort) {
            // Cancel takes the corner in the KX2 mode; Abort stands left of it.
            const int left = in.kx2 ? 2 * kStopButtonLeft : kStopButtonLeft;
            r.abort = Box(in.width - left, in.height - 25, std::min(100, in.width - 30), 20);
        }
    } else {
        r.abort = Box(in.width - 160, 10, 150, 70);
        // Wider than the Exit button above it, so "Job Canceled!" in its large font fits.
        r.timeToComplete = Box(in.width - 185, 90, 180, 20);
    }
    if (in.kx2 && in.running) {
        // As high as Abort: 24 pixels would reach the window's last row.
        r.cancel = Box(in.width - kStopButtonLeft, in.height - 25, 100, 20);
    }
}

}  // namespace quillon
