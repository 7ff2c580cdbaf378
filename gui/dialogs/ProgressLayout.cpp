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
constexpr int kFirstBoardRoom = 141;
constexpr int kBoardRoom = 140;
constexpr int kReservedBeforeBoards = 120;
constexpr int kReservedWithFirstBoard = 280;
constexpr int kTopRowMinHeight = 200;
constexpr int kProgressRowTop = 125;
constexpr int kPanesTop = 144;
constexpr int kPanesBottomGap = 25;
constexpr int kPaneGap = 15;
constexpr int kShowSerViewMinX = 600;
constexpr int kMaximisedPaneTop = 25;

// A rectangle, or an empty one (hidden) when it has no area.
QRect Box(int x, int y, int w, int h) {
    return (w > 0 && h > 0) ? QRect(x, y, w, h) : QRect();
}

}  // namespace

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
    int x = kFirstBoardX;
    int reserved = kReservedBeforeBoards;
    bool anyShown = false;
    for (int kind : order) {
        if (kind < 0) {
            continue;
        }
        const bool fits = anyShown ? (in.width - reserved - 20 > kBoardRoom)
                                   : (in.width - kBoardWidth >= kFirstBoardRoom);
        if (!fits) {
            break;
        }
        const int width = in.kx2 ? kKx2BoardWidth : kBoardWidth;
        r.boards[static_cast<size_t>(kind)] = Box(x, kBoardTop, width, kBoardHeight);
        x += in.kx2 ? kKx2BoardStep : kBoardStep;
        reserved = anyShown ? reserved + kBoardStep : kReservedWithFirstBoard;
        anyShown = true;
    }
    if (in.running) {
        r.counter = Box(in.width - 120, 15, 100, 40);
        r.timeToComplete = Box(in.width - 120, 63, 160, 40);
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
        if (serialX > kShowSerViewMinX) {
            r.showSerView = Box(serialX, in.height - 23, 100, 20);
        }
    } else {
        r.messagePane = Box(10, kPanesTop, in.width - 20, height);
    }
}

void ProgressLayout::BottomRow(const Input& in, Result& r) {
    if (!in.serialShown) {
        const int reserved = in.width > 220 ? 230 : 120;
        if (in.width - reserved > 300) {
            r.showSerView = Box((in.width - 140) / 2, in.height - 25, 140, 20);
        }
    }
    if (in.running) {
        if (in.allowAbort) {
            r.abort = Box(in.width - 110, in.height - 25, std::min(100, in.width - 30), 20);
        }
    } else {
        r.abort = Box(in.width - 160, 10, 150, 70);
        // Wider than the Exit button above it, so "Job Canceled!" in its large font fits.
        r.timeToComplete = Box(in.width - 185, 90, 180, 20);
    }
    if (in.kx2 && in.running) {
        r.cancel = Box(in.width - 110, in.height - 25, 100, 24);
    }
}

}  // namespace quillon
