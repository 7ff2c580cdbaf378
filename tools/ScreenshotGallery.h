// Renders every custom control in its characteristic states, and each message dialog, to PNG
// files named after what they show. Works without a display (offscreen platform). False, with
// the reason on stderr, when the folder cannot be made or a file cannot be written.
#pragma once

#include <QString>

#include "program/ProgramState.h"

namespace quillon {

bool RenderScreenshots(const QString& folder, const ProgramState& state);

}  // namespace quillon
