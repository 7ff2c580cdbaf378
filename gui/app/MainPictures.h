// The pictures of the main window, drawn in code at the size of the button that shows them:
// the close glyph, the Start button (in and out), the logo, the three board pictures and the
// program icon. Each is drawn on its button's see-through colour.
#pragma once

#include "protocol/Boards.h"

#include <QIcon>
#include <QImage>
#include <QSize>

namespace quillon {

// Grey cross on black (black is see-through).
QImage DrawCloseGlyph(const QSize& size);
// The minimise glyph beside it: a grey bar on black.
QImage DrawMinimiseGlyph(const QSize& size);
// A round green "START" key; in: bright on red, out: darker on blue (the see-through colours).
QImage DrawStartPicture(const QSize& size, bool in);
// The quillon (a cross-guard dagger) of the logo; on red (in) or blue (out).
QImage DrawLogoPicture(const QSize& size, bool in);
// The COMM, READER or SPEECH board (kind 1, 2, 3) on white.
QImage DrawSlotPicture(FileKind kind, const QSize& size);
// The window icon, from the installed scalable icon's drawing.
QIcon ProgramIcon();

}  // namespace quillon
