// The small pictures of the sound rows, drawn in code on white (their see-through colour):
// a folder for browse, a loudspeaker for play and a red cross for clear.
#pragma once

#include <QImage>
#include <QSize>

namespace quillon {

QImage DrawBrowsePicture(const QSize& size);
QImage DrawPlayPicture(const QSize& size);
QImage DrawClearPicture(const QSize& size);

}  // namespace quillon
