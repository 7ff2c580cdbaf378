// Small drawing pieces the owner-drawn controls and framed dialogs share: a solid frame kept
// inside a rectangle, a two-colour linear gradient with optional flat ends, and bevelled edges.
#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QRect>

class QPainter;

namespace quillon {

// A frame of the given width drawn wholly inside rect (widths <= 0 draw nothing).
void FillFrame(QPainter& painter, const QRect& rect, int width, const QColor& color);

// A gradient across rect from first to second, vertical (top to bottom) or horizontal (left to
// right); flatEnds (0..0.5) keeps that fraction at each end a solid colour.
QLinearGradient MakeGradient(const QRect& rect, const QColor& first, const QColor& second,
                             bool vertical, double flatEnds = 0.0);

// A one-pixel bevel: topLeft colour on the top and left edges, bottomRight on the others.
void DrawEdge(QPainter& painter, const QRect& rect, const QColor& topLeft,
              const QColor& bottomRight);

}  // namespace quillon
