// The pictures of the message dialogs, drawn in code on a white ground (white is their
// transparent colour): the question mark of the confirmation and the cross of the error box.
#pragma once

#include <QImage>

namespace quillon {

inline constexpr int kDialogPictureSize = 48;

QImage DrawConfirmPicture();
QImage DrawErrorPicture();

}  // namespace quillon
