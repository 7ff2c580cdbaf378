// The look the two settings dialogs share: a purple frame, a dark gradient band with the title
// in amber, and a light grey gradient body under the controls.
#pragma once

#include "dialogs/FramedDialog.h"

class QPainter;

namespace quillon {

FramedDialog::Look SettingsDialogLook();
// The body under the band, from (5, 40) to the inside of the frame.
void PaintSettingsBody(QPainter& painter, const QSize& client);

}  // namespace quillon
